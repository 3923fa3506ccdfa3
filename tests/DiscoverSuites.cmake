# Run after every link of the test binary (cmake -P): asks it for its tests
# and writes the CTest file that runs them, so a new test file is picked up
# without touching CMake.
#
# Each GoogleTest suite runs in one process: starting a sanitized process
# costs more than most unit tests do. A suite labelled `game` starts the
# whole game for each case, so each case keeps a process of its own; those
# are the slow tests, and apart they also spread over the cores.
#
# Labels follow the suite's name: a suite named Gl..., Audio..., Physics...
# or Game... gets that label; every other suite is a unit test. Tests that
# open a GL context run without leak detection: Mesa's driver module leaves
# a report behind that no suppression can match.
#
# In: TEST_EXECUTABLE, WORKING_DIRECTORY, OUTPUT.

execute_process(
    COMMAND "${TEST_EXECUTABLE}" --gtest_list_tests
    WORKING_DIRECTORY "${WORKING_DIRECTORY}"
    OUTPUT_VARIABLE listing
    ERROR_VARIABLE errors
    RESULT_VARIABLE result
    TIMEOUT 60)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${TEST_EXECUTABLE} --gtest_list_tests failed (${result}):\n${errors}")
endif()

function(suite_label suite out)
    if(suite MATCHES "^Gl")
        set(${out} gl PARENT_SCOPE)
    elseif(suite MATCHES "^Audio")
        set(${out} audio PARENT_SCOPE)
    elseif(suite MATCHES "^Physics")
        set(${out} physics PARENT_SCOPE)
    elseif(suite MATCHES "^Game")
        set(${out} game PARENT_SCOPE)
    else()
        set(${out} unit PARENT_SCOPE)
    endif()
endfunction()

set(script "")

# One CTest entry that runs `filter`, labelled after `suite`.
macro(add_entry name suite filter)
    suite_label("${suite}" label)
    string(APPEND script
        "add_test([=[${name}]=] [=[${TEST_EXECUTABLE}]=] [=[--gtest_filter=${filter}]=])\n"
        "set_tests_properties([=[${name}]=] PROPERTIES LABELS ${label}"
        " WORKING_DIRECTORY [=[${WORKING_DIRECTORY}]=]")
    # A freed block stays poisoned until 32 MB more are freed, not 256: the
    # game's loads free far more than that, and with the larger quarantine
    # every allocation touched fresh pages, a third of a game test's time.
    set(asan_options "quarantine_size_mb=32")
    if(label STREQUAL "gl" OR label STREQUAL "game")
        string(APPEND asan_options ":detect_leaks=0")
    endif()
    # Tests side by side that draw would each start a rasteriser thread per
    # core; two each keep the cores as busy without waiting on one another.
    string(APPEND script " ENVIRONMENT [=[ASAN_OPTIONS=${asan_options};LP_NUM_THREADS=2]=]")
    # Before CTest has timed a run, the slow whole-game cases start first.
    if(label STREQUAL "game")
        string(APPEND script " COST 100")
    endif()
    string(APPEND script ")\n")
endmacro()

# The listing: "Suite." lines, each followed by its "  Case" lines; a
# parameterised one ends in a "# GetParam() = ..." comment.
string(REPLACE ";" "\\;" listing "${listing}")
string(REPLACE "\n" ";" lines "${listing}")
set(suite "")
set(suite_label_name "")
foreach(line IN LISTS lines)
    string(REGEX REPLACE "#.*" "" line "${line}")
    string(STRIP "${line}" name)
    if(name STREQUAL "")
        continue()
    endif()
    if(NOT line MATCHES "^ ")
        string(REGEX REPLACE "\\.$" "" suite "${name}")
        suite_label("${suite}" suite_label_name)
        if(NOT suite_label_name STREQUAL "game")
            add_entry("${suite}" "${suite}" "${suite}.*")
        endif()
        continue()
    endif()
    if(suite_label_name STREQUAL "game")
        add_entry("${suite}.${name}" "${suite}" "${suite}.${name}")
    endif()
endforeach()

file(WRITE "${OUTPUT}" "${script}")
