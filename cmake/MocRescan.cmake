# Ninja's moc step only tracks headers it has already scanned, so a newly
# added Q_OBJECT header would be missed until a clean build. When a target's
# globbed file list changes, drop its autogen stamp so moc scans again.
function(tovrin_rescan_moc_when_files_change target)
  set(list_file ${CMAKE_CURRENT_BINARY_DIR}/${target}_sources.list)
  string(REPLACE ";" "\n" current "${ARGN}")
  set(previous "")
  if(EXISTS ${list_file})
    file(READ ${list_file} previous)
  endif()
  if(NOT previous STREQUAL current)
    file(WRITE ${list_file} "${current}")
    file(REMOVE ${CMAKE_CURRENT_BINARY_DIR}/${target}_autogen/timestamp)
  endif()
endfunction()
