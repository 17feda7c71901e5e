# The Windows tool's decoding mode writes the bytes the Linux tool writes: its export of
# decode.mbx (mails in a dozen charsets, the look-alikes, characters Shift-JIS lacks) must equal
# decode_ren.expected byte for byte; the code-page services and iconv differ on exactly such
# characters.
# cmake [-DEMULATOR=wine] -DTAVORI=exe -DDATA=folder -DEXPECTED=file -DOUT=folder -P decode_bytes.cmake
execute_process(COMMAND ${EMULATOR} ${TAVORI} export --decode -o ${OUT}/decode.REN
                        ${DATA}/decode.mbx
                OUTPUT_QUIET RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "tavori export --decode ended with ${status}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT}/decode.REN ${EXPECTED}
                RESULT_VARIABLE differ)
if(differ)
    message(FATAL_ERROR "the decoded export differs from ${EXPECTED}")
endif()
