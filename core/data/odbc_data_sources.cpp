#include "core/data/odbc_data_sources.h"

#include "core/data/odbc_handles.h"

namespace quarry {

Expected<std::vector<OdbcDataSourceName>> ListOdbcDataSources() {
  auto env = odbc::Environment::Create();
  if (!env) return env.status();
  std::vector<OdbcDataSourceName> out;
  SQLCHAR name[SQL_MAX_DSN_LENGTH + 1];
  SQLCHAR description[1024];
  SQLSMALLINT nameLength = 0;
  SQLSMALLINT descriptionLength = 0;
  SQLUSMALLINT direction = SQL_FETCH_FIRST;
  for (;;) {
    SQLRETURN rc = SQLDataSources(env->get(), direction, name, sizeof(name), &nameLength,
                                  description, sizeof(description), &descriptionLength);
    if (rc == SQL_NO_DATA) break;
    if (!odbc::Succeeded(rc)) return DatabaseError(odbc::Diagnostics(SQL_HANDLE_ENV, env->get()));
    out.push_back({reinterpret_cast<char*>(name), reinterpret_cast<char*>(description)});
    direction = SQL_FETCH_NEXT;
  }
  return out;
}

std::string DsnConnectString(const std::string& name) {
  // Braces keep a name with ";" or "=" in it one value.
  const bool plain = name.find_first_of(";={}") == std::string::npos;
  return "DSN=" + (plain ? name : "{" + name + "}");
}

}  // namespace quarry
