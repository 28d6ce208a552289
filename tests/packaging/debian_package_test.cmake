# Builds the Debian package with CPack, checks that its file list holds the programs, their
# companions, the desktop entry, icon and manual page, and that its dependencies name the shared
# libraries and the ODBC driver; then unpacks it and runs the unpacked quarry-cli from another
# folder: it must find the sample database and counsel's rules where the package put them.
# Run with -DCPACK=cpack -DBUILD=build-folder -DWORK=scratch-folder.
# check(MESSAGE CONDITION...): fails with MESSAGE unless the condition holds.
function(check message)
  if(NOT (${ARGN}))
    message(FATAL_ERROR "${message}")
  endif()
endfunction()

file(GLOB old "${BUILD}/package/quarry_*.deb")
if(old)
  file(REMOVE ${old})
endif()
execute_process(COMMAND ${CPACK} --config ${BUILD}/CPackConfig.cmake WORKING_DIRECTORY ${BUILD}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
check("cpack failed:\n${out}" rc EQUAL 0)
file(GLOB debs "${BUILD}/package/quarry_*.deb")
list(LENGTH debs count)
check("expected one quarry_*.deb in ${BUILD}/package, found: ${debs}" count EQUAL 1)
message(STATUS "Package: ${debs}")

execute_process(COMMAND dpkg-deb -c ${debs} OUTPUT_VARIABLE listing RESULT_VARIABLE rc)
check("dpkg-deb -c failed" rc EQUAL 0)
foreach(path
    usr/bin/quarry usr/bin/quarry-cli usr/bin/counsel
    usr/share/quarry/sample.sqlite usr/share/quarry/pruning_advice.txt
    usr/share/applications/quarry.desktop usr/share/icons/hicolor/scalable/apps/quarry.svg
    usr/share/man/man1/quarry-cli.1)
  string(FIND "${listing}" " ./${path}\n" at)
  check("the package lacks ${path}; it holds:\n${listing}" NOT at EQUAL -1)
endforeach()

execute_process(COMMAND dpkg-deb -f ${debs} Depends OUTPUT_VARIABLE depends)
foreach(dependency libsqliteodbc libodbc libqt6widgets6)
  string(FIND "${depends}" "${dependency}" at)
  check("the package's Depends lacks ${dependency}: ${depends}" NOT at EQUAL -1)
endforeach()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/root ${WORK}/elsewhere)
execute_process(COMMAND dpkg-deb -x ${debs} ${WORK}/root RESULT_VARIABLE rc)
check("dpkg-deb -x failed" rc EQUAL 0)
set(run ${CMAKE_COMMAND} -E env --unset=QUARRY_SAMPLE_DB QUARRY_HOME=${WORK}/home
        ${WORK}/root/usr/bin/quarry-cli)
execute_process(COMMAND ${run} tables WORKING_DIRECTORY ${WORK}/elsewhere
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
check("the unpacked quarry-cli found no sample database: ${err}" rc EQUAL 0)
string(FIND "${out}" "golf_data" at)
check("the sample database lists no golf_data: ${out}" NOT at EQUAL -1)
execute_process(COMMAND ${run} advise -f golf_data WORKING_DIRECTORY ${WORK}/elsewhere
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
check("the unpacked counsel gave no advice: ${err}" rc EQUAL 0)
