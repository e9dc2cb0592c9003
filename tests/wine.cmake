# Tests of the Windows side run under Wine. Wine keeps its registry in a
# prefix inside the build tree, made on first use without a display and
# without offering to download its add-ons, and stopped again when the tests
# are done so that no Wine process stays behind. Tests that run under Wine
# call pennant_run_under_wine(test).
set(pennant_wine_environment WINEPREFIX=${CMAKE_BINARY_DIR}/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=)
get_filename_component(wine_folder ${PENNANT_WINE} DIRECTORY)
find_program(PENNANT_WINESERVER NAMES wineserver wineserver64 HINTS ${wine_folder} REQUIRED)
add_test(NAME wine_prefix COMMAND sh -c [["$1" wineboot --init && "$2" -w]] sh ${PENNANT_WINE} ${PENNANT_WINESERVER})
# Nothing to stop is fine: the server may have gone by itself.
add_test(NAME wine_stop COMMAND sh -c [["$1" -k 2>/dev/null; exit 0]] sh ${PENNANT_WINESERVER})
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine)
set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP wine)

# They share Wine's one registry (the Extensions key above all), so they
# take turns even when ctest runs tests side by side.
function(pennant_run_under_wine)
  set_tests_properties(${ARGN} PROPERTIES ENVIRONMENT "${pennant_wine_environment}"
    ENVIRONMENT_MODIFICATION "DISPLAY=unset:;WAYLAND_DISPLAY=unset:" RESOURCE_LOCK wine_registry)
endfunction()
pennant_run_under_wine(wine_prefix wine_stop)
