# The page's files for installing and playing offline, written into the
# page's folder (OUT) once everything else is there: the game's own icons
# (from ICONS, the desktop build's app-icons/), the web app manifest (from
# MANIFEST_IN) and the service worker (from WORKER_IN), whose version is a
# hash of every file it keeps, so each build that changes one is new.
#
#   cmake -DOUT=... -DICONS=... -DMANIFEST_IN=... -DWORKER_IN=... -DSIZES="16;32;..." -P offline_files.cmake

set(icons_json "")
set(kept index.html page_controls.js mnemora.js mnemora.wasm mnemora-data.js mnemora.data manifest.webmanifest)
foreach(size ${SIZES})
  configure_file("${ICONS}/${size}.png" "${OUT}/icon-${size}.png" COPYONLY)
  list(APPEND kept icon-${size}.png)
  string(APPEND icons_json "\n    {\"src\": \"icon-${size}.png\", \"sizes\": \"${size}x${size}\", \"type\": \"image/png\"},")
endforeach()
configure_file("${ICONS}/scalable.svg" "${OUT}/icon.svg" COPYONLY)
list(APPEND kept icon.svg)
string(APPEND icons_json "\n    {\"src\": \"icon.svg\", \"sizes\": \"any\", \"type\": \"image/svg+xml\"}\n  ")
set(MNEMORA_MANIFEST_ICONS "${icons_json}")
configure_file("${MANIFEST_IN}" "${OUT}/manifest.webmanifest" @ONLY)

set(hashes "")
set(names "")
foreach(name ${kept})
  if(NOT EXISTS "${OUT}/${name}")
    message(FATAL_ERROR "The page has no ${name} to keep for offline play")
  endif()
  file(SHA256 "${OUT}/${name}" hash)
  string(APPEND hashes "${name} ${hash}\n")
  string(APPEND names "'${name}', ")
endforeach()
string(SHA256 version "${hashes}")
string(SUBSTRING "${version}" 0 16 MNEMORA_PAGE_VERSION)
string(REGEX REPLACE ", $" "" MNEMORA_PAGE_FILES "${names}")
configure_file("${WORKER_IN}" "${OUT}/sw.js" @ONLY)
