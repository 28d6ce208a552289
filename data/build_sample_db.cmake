# Builds the sample database from the data files: cmake -DCLI=... -DDB=... -DDATA_DIR=...
# -DTABLES=a;b;c -DWORK=... -P build_sample_db.cmake
file(REMOVE ${DB} ${DB}.tmp)
file(MAKE_DIRECTORY ${WORK})
set(ENV{QUARRY_HOME} ${WORK})
execute_process(COMMAND ${CLI} create-db ${DB}.tmp RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cannot create ${DB}.tmp")
endif()
foreach(table IN LISTS TABLES)
  execute_process(COMMAND ${CLI} --db ${DB}.tmp import ${DATA_DIR}/${table}.txt --table ${table}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0 OR out MATCHES "skipped")
    message(FATAL_ERROR "importing ${table}: ${out}${err}")
  endif()
endforeach()
file(RENAME ${DB}.tmp ${DB})
