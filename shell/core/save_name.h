// save_name.h - the name a file dialog for saving answers: the chosen filter's extension is added
// to a name without one, as the default extension of a common file dialog is.
#ifndef VELK_SHELL_CORE_SAVE_NAME_H
#define VELK_SHELL_CORE_SAVE_NAME_H

#include <string>

namespace velk {

// The extension (".ics") of the first pattern of filter `index` (counting from 1) of a filter list
// in the "Name|pattern|" form ("Texte|*.txt;*.asc|" gives ".txt"); empty for a pattern without
// one ("*", "*.*") and for an index outside the list.
std::string filterExtension(const std::string &filterList, int index);

// `name` with that extension when its last path component has none; otherwise `name` itself.
// A dot in a directory's name does not count ("/home/a.b/termine" gets one).
std::string withFilterExtension(const std::string &name, const std::string &filterList, int index);

} // namespace velk

#endif
