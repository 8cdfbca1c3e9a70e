include_guard(GLOBAL)

# A release must come out byte for byte the same from any clone of the same
# commit, in any folder, at any time, so that anyone can rebuild it and
# compare checksums. Compilers write the folders they ran in (into __FILE__
# and debug data) and the PE linker a link-time timestamp; both are taken out
# here. Debug data itself is left out by the Release build type and -s.
option(VARNEL_REPRODUCIBLE "Leave build folders and link times out of the binaries (release builds)" OFF)

if(VARNEL_REPRODUCIBLE AND NOT MSVC)
  # The later map wins where both match: the build folder lies inside the source.
  add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.>"
                      "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${PROJECT_BINARY_DIR}=build>")
  add_link_options(-s)
  if(MINGW)
    add_link_options(LINKER:--no-insert-timestamp)
  endif()
endif()
