#pragma once
// The default tables shipped with the program: GSI labels, Geodimeter label
// conversion and names, a DSFL code table. Found in $KVTCONV_TABLES, in
// share/kvtconv of the installation, or in the source tree of a build.
#include <string>
#include <vector>

namespace kvtcli {

inline constexpr const char* kGsiLabels = "gsi-labels.txt";
inline constexpr const char* kGeoConversion = "geodimeter.cnv";
inline constexpr const char* kGeoNames = "GEOLAB.TXT";
inline constexpr const char* kDsflCodes = "dsfl-codes.tab";

// Makes `dir` the only place searched (the --tables option).
void useTableDirectory(const std::string& dir);
// The directories searched, in order.
std::vector<std::string> tableDirectories();
// The first directory that holds the tables; empty when none does.
std::string tableDirectory();
// `given` when the user named a table, else the shipped one (empty if none).
std::string tableOr(const std::string& given, const char* name);

// `kvtconv tables`: where the tables are and what they hold.
int runTables();

}  // namespace kvtcli
