# Fails when the program calls a delay-loaded function straight through its import
# address table entry: the linker then drops the entry's loading stub (it keeps import
# stubs only when they are called), the entry stays 0 and the call would jump to 0.
# cmake -DNM=... -DPROGRAM=... -DDEFINITIONS="a.def;b.def" -P this
execute_process(COMMAND ${NM} ${PROGRAM} OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
# A stub that was dropped leaves its symbol behind as absolute 0.
string(REGEX MATCHALL "00000000 A _[^\r\n]+" dropped "${symbols}")
set(delayed)
foreach(definition IN LISTS DEFINITIONS)
    if(NOT definition)
        continue()
    endif()
    file(STRINGS ${definition} names)
    list(APPEND delayed ${names})
endforeach()
set(unbound)
foreach(symbol IN LISTS dropped)
    string(REPLACE "00000000 A _" "" name "${symbol}")
    string(FIND "${symbols}" " I __imp__${name}\n" imported)
    list(FIND delayed "${name}" isDelayed)
    if(NOT imported EQUAL -1 AND NOT isDelayed EQUAL -1)
        list(APPEND unbound ${name})
    endif()
endforeach()
if(unbound)
    message(FATAL_ERROR "Delay-loaded functions called through a dllimport declaration, "
                        "so their loading stubs were dropped: ${unbound}")
endif()
