# Makes a delay-import library from an ordinary MinGW import library: every function the
# ordinary one offers, bound on its first call (by the C runtime's __delayLoadHelper2,
# which loads the DLL by name through the search path of that moment).
# cmake -DNM=... -DDLLTOOL=... -DIMPORT_LIBRARY=... -DDLL=name.dll -DOUTPUT=lib.a -P this
execute_process(COMMAND ${NM} ${IMPORT_LIBRARY} OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
# 32-bit names carry a leading underscore: "__imp__CreateWindowExW@48".
string(REGEX MATCHALL " I __imp__[^\r\n]+" imports "${symbols}")
set(definition "LIBRARY ${DLL}\nEXPORTS\n")
foreach(import IN LISTS imports)
    string(REPLACE " I __imp__" "" name "${import}")
    string(APPEND definition "${name}\n")
endforeach()
file(WRITE ${OUTPUT}.def "${definition}")
# --kill-at: the DLL exports the undecorated names.
execute_process(COMMAND ${DLLTOOL} --kill-at --machine i386 --input-def ${OUTPUT}.def
                        --output-delaylib ${OUTPUT}
                COMMAND_ERROR_IS_FATAL ANY)
