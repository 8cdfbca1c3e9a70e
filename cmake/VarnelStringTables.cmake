include_guard(GLOBAL)

# The program reads its string tables at run time from resources\strings
# beside the executable, so every binary that loads them gets its own copy.
# Each file is a build step of its own: editing a table refreshes every copy
# without relinking anything.
function(varnel_copy_string_tables target)
  file(GLOB tables CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/resources/strings/*.txt")
  get_property(multi_config GLOBAL PROPERTY GENERATOR_IS_MULTI_CONFIG)
  set(folder "${CMAKE_CURRENT_BINARY_DIR}")
  if(multi_config)
    string(APPEND folder "/$<CONFIG>")
  endif()
  string(APPEND folder "/resources/strings")
  set(copies)
  foreach(table IN LISTS tables)
    get_filename_component(name "${table}" NAME)
    add_custom_command(OUTPUT "${folder}/${name}"
                       COMMAND ${CMAKE_COMMAND} -E copy_if_different "${table}" "${folder}/${name}"
                       DEPENDS "${table}"
                       VERBATIM)
    list(APPEND copies "${folder}/${name}")
  endforeach()
  add_custom_target(${target}_string_tables DEPENDS ${copies})
  add_dependencies(${target} ${target}_string_tables)
endfunction()
