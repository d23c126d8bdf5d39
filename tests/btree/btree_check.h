// btree_check.h - the structural checker for the engine's tests.
//
// The rules themselves live in tools/check_rules.h, shared with velk-check; the tests call them
// on open descriptors under the names they have always used.
#ifndef VELK_TESTS_BTREE_BTREE_CHECK_H
#define VELK_TESTS_BTREE_BTREE_CHECK_H

#include "btree/check/check_rules.h"

namespace velk::apptest {

using velkcheck::checkDataFile;
using velkcheck::checkIndex;
using velkcheck::checkIndexFile;
using velkcheck::compareKeys;
using velkcheck::compareUser;
using velkcheck::hasDeletionMarker;
using velkcheck::loadGeometry;
using velkcheck::readPageImage;
using velkcheck::tIndexEntry;
using velkcheck::tIndexGeometry;
using velkcheck::tIndexReport;
using velkcheck::tPageImage;
using velkcheck::tPageItem;

} // namespace velk::apptest

#endif
