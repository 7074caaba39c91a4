# Writes the import library of an i686 kestrel.dll whose __stdcall exports carry undecorated
# names. The linker's own import library names each function by its export name ("_LinkCom"),
# but a caller compiled with kestrel.h refers to "_LinkCom@12"; this one maps the decorated
# symbol to the undecorated export, keeping the ordinals of kestrel.def.
#
#   cmake -DNM=... -DDLLTOOL=... -DDEF=kestrel.def -DOBJECTS="a.obj|b.obj" -DDLL_NAME=kestrel.dll
#         -DOUT=kestrel.dll.a -P stdcall_import_library.cmake
foreach(v NM DLLTOOL DEF OBJECTS DLL_NAME OUT)
  if(NOT DEFINED ${v})
    message(FATAL_ERROR "stdcall_import_library: ${v} not set")
  endif()
endforeach()

string(REPLACE "|" ";" object_list "${OBJECTS}")
execute_process(COMMAND ${NM} -g --defined-only ${object_list}
                OUTPUT_VARIABLE symbols RESULT_VARIABLE nm_result)
if(NOT nm_result EQUAL 0)
  message(FATAL_ERROR "stdcall_import_library: ${NM} failed")
endif()

file(STRINGS ${DEF} def_lines)
set(decorated "EXPORTS\n")
foreach(line IN LISTS def_lines)
  if(line MATCHES "^[ \t]+([A-Za-z_][A-Za-z0-9_]*)[ \t]+@([0-9]+)")
    set(name ${CMAKE_MATCH_1})
    set(ordinal ${CMAKE_MATCH_2})
    if(symbols MATCHES " T _${name}@([0-9]+)\n")
      string(APPEND decorated "    ${name}@${CMAKE_MATCH_1} @${ordinal}\n")
    else()
      message(FATAL_ERROR "stdcall_import_library: no __stdcall definition of ${name}")
    endif()
  endif()
endforeach()

get_filename_component(out_dir ${OUT} DIRECTORY)
set(decorated_def ${out_dir}/kestrel-stdcall.def)
file(WRITE ${decorated_def} "${decorated}")
execute_process(COMMAND ${DLLTOOL} --kill-at --input-def ${decorated_def} --dllname ${DLL_NAME}
                        --output-lib ${OUT}
                RESULT_VARIABLE dlltool_result)
if(NOT dlltool_result EQUAL 0)
  message(FATAL_ERROR "stdcall_import_library: ${DLLTOOL} failed")
endif()
