# pesomed_add_test(NAME <name> SOURCES <files...> LIBS <libs...> LABEL <label> [DATABASE])
# Registers a Qt Test executable with the offscreen platform. Tests that use the
# database server share it and run one at a time.
function(pesomed_add_test)
  cmake_parse_arguments(T "DATABASE" "NAME;LABEL" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE Qt6::Test pm_testsupport ${T_LIBS})
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  set(env "QT_QPA_PLATFORM=offscreen")
  set_tests_properties(${T_NAME} PROPERTIES
    LABELS "${T_LABEL}"
    ENVIRONMENT "${env}"
    TIMEOUT 300)
  if(T_DATABASE)
    set_tests_properties(${T_NAME} PROPERTIES RESOURCE_LOCK firebird)
  endif()
endfunction()
