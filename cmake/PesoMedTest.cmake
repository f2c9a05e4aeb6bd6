# pesomed_add_test(NAME <name> SOURCES <files...> LIBS <libs...> LABEL <area>
#                  [DATABASE] [GUI] [SERVIDOR])
# Registers a Qt Test executable with the offscreen platform, labelled with its
# area and with what it needs, so that ctest -L/-LE picks or leaves them:
#   DATABASE  label "database": uses the test database (PESOMED_TEST_DB) on a
#             running server; such tests share it and run one at a time.
#   GUI       label "gui": drives windows.
#   SERVIDOR  label "servidor": starts or stops a database server (its own).
# Each test gets a configuration folder of its own in the build folder, so that
# nothing it saves reaches the user's.
function(pesomed_add_test)
  cmake_parse_arguments(T "DATABASE;GUI;SERVIDOR" "NAME;LABEL" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE Qt6::Test pm_testsupport ${T_LIBS})
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  set(labels ${T_LABEL})
  if(T_DATABASE)
    list(APPEND labels database)
  endif()
  if(T_GUI)
    list(APPEND labels gui)
  endif()
  if(T_SERVIDOR)
    list(APPEND labels servidor)
  endif()
  set(env "QT_QPA_PLATFORM=offscreen" "XDG_CONFIG_HOME=${CMAKE_CURRENT_BINARY_DIR}/${T_NAME}-config")
  set_tests_properties(${T_NAME} PROPERTIES
    LABELS "${labels}"
    ENVIRONMENT "${env}"
    TIMEOUT 300)
  if(T_DATABASE)
    set_tests_properties(${T_NAME} PROPERTIES RESOURCE_LOCK firebird)
  endif()
endfunction()
