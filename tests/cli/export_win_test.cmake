# tavori-cli.exe export under Wine: an output that reaches an input only through letter case or
# the extension change is refused, and a device name is no output.
# cmake -DEMULATOR=wine -DTAVORI=tavori.exe -DWORK=scratch-folder -P export_win_test.cmake
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
set(box "${WORK}/box.REN")
set(content "Subject: one\r\n\r\nbody\r\n.\r\n")
# Compared as hexadecimal text: CMake's string comparison does not hold CR bytes well.
file(WRITE "${box}" "${content}")
file(READ "${box}" before HEX)

function(expect_refused reason output)
    file(WRITE "${box}" "${content}")
    execute_process(COMMAND ${EMULATOR} "${TAVORI}" export -o "Z:${output}" "Z:${box}"
                    RESULT_VARIABLE code OUTPUT_QUIET ERROR_VARIABLE err TIMEOUT 60)
    file(READ "${box}" after HEX)
    if(NOT code EQUAL 1)
        message(SEND_ERROR "${reason}: exit ${code}, expected 1 (${err})")
    endif()
    if(NOT after STREQUAL before)
        message(SEND_ERROR "${reason}: the input was changed")
    endif()
endfunction()

expect_refused("letter case is ignored on Windows" "${WORK}/BOX.ren")
expect_refused("the extension change reaches the input" "${WORK}/box")
expect_refused("a device is no output" "${WORK}/NUL")
file(REMOVE_RECURSE "${WORK}")
