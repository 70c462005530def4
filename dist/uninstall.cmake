# Removes what the last `cmake --install` (make install) from the build
# folder BUILD installed: every file install_files.txt lists, whatever its
# name holds, then each folder install_folders.txt records as created by the
# install, deepest first, once it is empty. A folder that was there before
# (/usr/local/games, say) or that holds files of someone else stays.
#
#   cmake -DBUILD=<build folder> -P uninstall.cmake

set(manifest "${BUILD}/install_files.txt")
set(record "${BUILD}/install_folders.txt")
if(NOT EXISTS "${manifest}")
  message(FATAL_ERROR "Nothing to uninstall: ${manifest} is missing (no install from this build)")
endif()

file(STRINGS "${manifest}" files)
set(left "")
foreach(file ${files})
  if(EXISTS "${file}" OR IS_SYMLINK "${file}")
    message(STATUS "Removing: ${file}")
    file(REMOVE "${file}")
    if(EXISTS "${file}" OR IS_SYMLINK "${file}")
      list(APPEND left "${file}")
    endif()
  endif()
endforeach()
if(left)
  list(JOIN left "\n  " left)
  message(FATAL_ERROR "Could not remove (as root for a system prefix?):\n  ${left}")
endif()

# A path sorts after its parent; in reverse order children come first.
set(folders "")
if(EXISTS "${record}")
  file(STRINGS "${record}" folders)
  list(POP_FRONT folders)   # the install's root, a folder of the record only if created
endif()
list(SORT folders)
list(REVERSE folders)
foreach(folder ${folders})
  if(IS_DIRECTORY "${folder}" AND NOT IS_SYMLINK "${folder}")
    file(GLOB inside "${folder}/*" "${folder}/.*")
    if(NOT inside)
      message(STATUS "Removing folder: ${folder}")
      execute_process(COMMAND rmdir "${folder}" ERROR_QUIET)
    endif()
  endif()
endforeach()
file(REMOVE "${manifest}" "${record}")
