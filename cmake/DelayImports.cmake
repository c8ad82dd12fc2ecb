# The program links these system libraries so that each DLL is loaded on its first call,
# not when the process starts: by then the program has restricted the DLL search to the
# system folder, so a planted copy in its own folder or the current directory is never
# loaded, nor a planted copy of any DLL those load in turn. Only the kernel, the C runtime
# and advapi32 (which the C runtime loads anyway) stay ordinary imports.
#
# GNU ld has no switch for delay-loading (and writes no load configuration, so the
# "dependent load flags" of a PE image are out of reach too); dlltool makes delay-import
# libraries, under the ordinary names, in a folder searched before the system's.
# A delay-loaded function must be called through its stub, never straight through its
# import address table entry: ld keeps an import stub only when something calls it, and
# the entry of a delay-loaded function points at its stub until the first call. So the
# build declares system functions without dllimport (DECLSPEC_IMPORT empty), and each
# link is checked.
function(octolume_link_delay_loaded target)
    find_program(OCTOLUME_DLLTOOL NAMES ${CMAKE_DLLTOOL} dlltool REQUIRED)
    find_program(OCTOLUME_NM NAMES ${CMAKE_NM} nm REQUIRED)
    set(folder ${CMAKE_BINARY_DIR}/delay_imports)
    set(libraries)
    set(definitions)
    foreach(name IN LISTS ARGN)
        find_library(OCTOLUME_IMPORT_LIBRARY_${name} NAMES lib${name}.a REQUIRED)
        set(library ${folder}/lib${name}.a)
        add_custom_command(
            OUTPUT ${library}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
            COMMAND ${CMAKE_COMMAND} -DNM=${OCTOLUME_NM} -DDLLTOOL=${OCTOLUME_DLLTOOL}
                    -DIMPORT_LIBRARY=${OCTOLUME_IMPORT_LIBRARY_${name}} -DDLL=${name}.dll
                    -DOUTPUT=${library} -P ${PROJECT_SOURCE_DIR}/cmake/make_delay_import_library.cmake
            DEPENDS ${OCTOLUME_IMPORT_LIBRARY_${name}}
                    ${PROJECT_SOURCE_DIR}/cmake/make_delay_import_library.cmake
            COMMENT "Delay-import library for ${name}.dll"
            VERBATIM)
        list(APPEND libraries ${library})
        list(APPEND definitions ${library}.def)
    endforeach()
    add_custom_target(${target}_delay_imports DEPENDS ${libraries})
    add_dependencies(${target} ${target}_delay_imports)
    target_link_directories(${target} BEFORE PRIVATE ${folder})
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${libraries})
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -DNM=${OCTOLUME_NM} -DPROGRAM=$<TARGET_FILE:${target}>
                "-DDEFINITIONS=${definitions}" -P ${PROJECT_SOURCE_DIR}/cmake/check_delay_imports.cmake
        VERBATIM)
endfunction()
