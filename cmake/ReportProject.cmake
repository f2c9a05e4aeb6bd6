# pesomed_report_project(<target>)
# Puts the report project RPT/rptPesoMed.rav beside the executable of target
# (declared in the current folder), where the program looks for it; copied
# again whenever the file changes.
function(pesomed_report_project target)
  set(source ${PROJECT_SOURCE_DIR}/RPT/rptPesoMed.rav)
  set(copy ${CMAKE_CURRENT_BINARY_DIR}/RPT/rptPesoMed.rav)
  add_custom_command(OUTPUT ${copy}
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${copy}
    DEPENDS ${source}
    COMMENT "Report project beside ${target}"
    VERBATIM)
  add_custom_target(${target}_rpt DEPENDS ${copy})
  add_dependencies(${target} ${target}_rpt)
endfunction()
