# The Windows tool with --encoding sjis writes the bytes the Linux tool writes: its show output
# must equal show_sjis.expected byte for byte, and its error text must hold no CR (a stream in
# text mode writes every "\n" as CR LF).
# cmake [-DEMULATOR=wine] -DTAVORI=exe -DDATA=folder -DEXPECTED=file -DOUT=folder -P sjis_bytes.cmake
execute_process(COMMAND ${EMULATOR} ${TAVORI} --encoding sjis show ${DATA}/show.mbx
                OUTPUT_FILE ${OUT}/show_sjis.out RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "tavori show ended with ${status}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT}/show_sjis.out ${EXPECTED}
                RESULT_VARIABLE differ)
if(differ)
    file(READ ${OUT}/show_sjis.out got HEX)
    message(FATAL_ERROR "show output differs from ${EXPECTED}: ${got}")
endif()

# ERROR_VARIABLE would turn CR LF into LF: the file keeps the bytes, read back as hex pairs.
execute_process(COMMAND ${EMULATOR} ${TAVORI} --encoding sjis show ${DATA}/missing.mbx
                OUTPUT_QUIET ERROR_FILE ${OUT}/missing_sjis.err RESULT_VARIABLE status)
file(READ ${OUT}/missing_sjis.err err HEX)
if(NOT status EQUAL 1 OR NOT err MATCHES "0a$" OR err MATCHES "^(..)*0d")
    message(FATAL_ERROR "error text (status ${status}) not as written: ${err}")
endif()
