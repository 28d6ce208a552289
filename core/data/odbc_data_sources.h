#pragma once
// The data sources the ODBC driver manager knows (user and system DSNs), for the Open DataBase
// chooser.

#include <string>
#include <vector>

#include "core/common/status.h"

namespace quarry {

struct OdbcDataSourceName {
  std::string name;
  std::string description;  // usually the driver's name
};

// Every DSN, user ones first, in the driver manager's order. An empty list is no error.
Expected<std::vector<OdbcDataSourceName>> ListOdbcDataSources();

// The connect string that opens the DSN `name`.
std::string DsnConnectString(const std::string& name);

}  // namespace quarry
