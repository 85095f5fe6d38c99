# Packs one build's release zip: its programs, the read-me for Windows users and the notices
# of the code of others in the programs (its texts one after the other), with Windows line
# ends, and SHA256SUMS.txt over all. Run in script mode:
#   cmake -DZIP=out.zip "-DPROGRAMS=a.exe;b.exe" -DREADME=text.txt "-DNOTICES=a.txt;b.txt"
#         -P release-zip.cmake
set(stage ${ZIP}.files)
file(REMOVE_RECURSE ${stage})
file(MAKE_DIRECTORY ${stage})
set(names)
foreach(program IN LISTS PROGRAMS)
  file(COPY ${program} DESTINATION ${stage})
  get_filename_component(name ${program} NAME)
  list(APPEND names ${name})
endforeach()

# write_text(NAME FILES...): the files' texts one after the other, with Windows line ends.
function(write_text name)
  set(text)
  foreach(file IN LISTS ARGN)
    file(READ ${file} part)
    string(APPEND text "${part}")
  endforeach()
  string(REPLACE "\r\n" "\n" text "${text}")
  string(REPLACE "\n" "\r\n" text "${text}")
  file(WRITE ${stage}/${name} "${text}")
endfunction()
write_text(ReadMe.txt ${README})
write_text(ThirdPartyNotices.txt ${NOTICES})
list(APPEND names ReadMe.txt ThirdPartyNotices.txt)

set(sums)
foreach(name IN LISTS names)
  file(SHA256 ${stage}/${name} sum)
  string(APPEND sums "${sum}  ${name}\r\n")
endforeach()
file(WRITE ${stage}/SHA256SUMS.txt "${sums}")
list(APPEND names SHA256SUMS.txt)

file(REMOVE ${ZIP})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${ZIP} --format=zip -- ${names}
                WORKING_DIRECTORY ${stage} RESULT_VARIABLE failed)
file(REMOVE_RECURSE ${stage})
if(failed)
  message(FATAL_ERROR "Could not write ${ZIP}")
endif()
