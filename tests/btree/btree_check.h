// btree_check.h - the structural checker for the engine's tests.
//
// The rules themselves live in tools/check_rules.h, shared with velk-check; the tests call them
// on open descriptors under the names they have always used.
#ifndef VELK_TESTS_BTREE_BTREE_CHECK_H
#define VELK_TESTS_BTREE_BTREE_CHECK_H

#include "tools/check_rules.h"

namespace velk::apptest {

using velkcheck::checkDataFile;
using velkcheck::checkIndex;
using velkcheck::checkIndexFile;
using velkcheck::compareKeys;
using velkcheck::compareUser;
using velkcheck::hasDeletionMarker;
using velkcheck::IndexEntry;
using velkcheck::IndexGeometry;
using velkcheck::IndexReport;
using velkcheck::loadGeometry;
using velkcheck::PageImage;
using velkcheck::PageItem;
using velkcheck::readPageImage;

} // namespace velk::apptest

#endif
