# vidfolio_forbid_links(PATTERN TARGET...): fails the configure step when a
# TARGET links a library whose name matches PATTERN, directly or through any
# library it links in turn. A static library passes its private links on to
# whatever links it (CMake writes them as $<LINK_ONLY:...>), so those count
# as well: the program that links the target gets them all the same.
# Included by the root CMakeLists.txt and by the scratch project of the test
# that shows this check failing (tests/checks/linkcheck).

# The libraries `target` names in its link properties, each with the generator
# expression that only limits it to linking taken off.
function(_vidfolio_direct_links target out)
  get_target_property(imported ${target} IMPORTED)
  set(links)
  if(NOT imported)
    get_target_property(own ${target} LINK_LIBRARIES)
    if(own)
      list(APPEND links ${own})
    endif()
  endif()
  get_target_property(passed ${target} INTERFACE_LINK_LIBRARIES)
  if(passed)
    list(APPEND links ${passed})
  endif()
  list(TRANSFORM links REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1")
  list(REMOVE_DUPLICATES links)
  set(${out} ${links} PARENT_SCOPE)
endfunction()

function(vidfolio_forbid_links pattern)
  foreach(lib IN LISTS ARGN)
    # A walk over the link graph from `lib`; `path` of each library is how
    # it was reached, for the message.
    set(seen ${lib})
    set(queue ${lib})
    string(MAKE_C_IDENTIFIER "path_${lib}" key)
    set(${key} ${lib})
    while(queue)
      list(POP_FRONT queue current)
      string(MAKE_C_IDENTIFIER "path_${current}" key)
      set(path ${${key}})
      _vidfolio_direct_links(${current} deps)
      foreach(dep IN LISTS deps)
        if(dep MATCHES "${pattern}")
          message(FATAL_ERROR "${lib} must not link ${dep}: ${path} -> ${dep}")
        endif()
        if(TARGET "${dep}" AND NOT dep IN_LIST seen)
          list(APPEND seen ${dep})
          list(APPEND queue ${dep})
          string(MAKE_C_IDENTIFIER "path_${dep}" key)
          set(${key} "${path} -> ${dep}")
        endif()
      endforeach()
    endwhile()
  endforeach()
endfunction()
