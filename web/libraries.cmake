# The libraries of the browser build, under the names the desktop build gets
# from pkg-config: zlib, libpng, FreeType and SDL2 built for WebAssembly into
# one prefix (scripts/install-web-deps), OpenAL and WebGL from the compiler's
# own library, no threads.
set(MNEMORA_WEB_PREFIX "" CACHE PATH "Prefix holding the libraries built for WebAssembly")
if(NOT MNEMORA_WEB_PREFIX OR NOT EXISTS "${MNEMORA_WEB_PREFIX}/lib/libSDL2.a")
  message(FATAL_ERROR "No libraries for the browser build in '${MNEMORA_WEB_PREFIX}': run scripts/install-web-deps (make web does)")
endif()

function(mnemora_web_library name)
  cmake_parse_arguments(ARG "" "" "INCLUDES;LIBS;OPTIONS" ${ARGN})
  add_library(${name} INTERFACE IMPORTED GLOBAL)
  set(includes)
  foreach(dir ${ARG_INCLUDES})
    list(APPEND includes ${MNEMORA_WEB_PREFIX}/include/${dir})
  endforeach()
  set(libs)
  foreach(lib ${ARG_LIBS})
    list(APPEND libs ${MNEMORA_WEB_PREFIX}/lib/${lib})
  endforeach()
  set_target_properties(${name} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES "${includes}"
                        INTERFACE_LINK_LIBRARIES "${libs};${ARG_OPTIONS}")
endfunction()

mnemora_web_library(PkgConfig::SDL2 INCLUDES . SDL2 LIBS libSDL2.a)
mnemora_web_library(PkgConfig::PNG INCLUDES libpng16 LIBS libpng16.a libz.a)
mnemora_web_library(PkgConfig::FREETYPE INCLUDES freetype2 LIBS libfreetype.a libz.a)
mnemora_web_library(PkgConfig::OPENAL OPTIONS -lopenal)
mnemora_web_library(OpenGL::GL OPTIONS -lGL)
mnemora_web_library(Threads::Threads)
