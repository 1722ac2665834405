#pragma once

#include <QString>

// The path of "output.png" in `directory`: the directory in native form, the
// platform's separator and the file name. The separator is added even when
// the directory already ends in one (the root directory). An empty directory
// (the current one could not be found) gives the bare file name, which the
// system resolves against the current directory instead of the root.
QString dmOutputPathIn(const QString& directory);
