# The layers of the program and the check that keeps them: each library links only the layers
# given for it here (and what those link in turn). README's library table says the same.
# platoris_check_layers() stops the configuration when a library or tool links more.
set(PLATORIS_LAYERS
  "platoris_base="
  "platoris_engine=platoris_base"
  "platoris_store=platoris_engine"
  "platoris_gridmodel=platoris_engine"
  "platoris_look=platoris_gridmodel"
  "platoris_register=platoris_gridmodel,platoris_store"
  "platoris_widgets=platoris_look,platoris_store"
  "platoris_output=platoris_look,platoris_store"
  "platoris_print=platoris_output"
  "platoris_dispatch=platoris_register,platoris_store"
  "platoris_windows=platoris_register,platoris_widgets,platoris_print"
  "platoris_app=platoris_windows,platoris_dispatch,platoris_output"
  # The tools: the launcher and the archiver stand on the base alone.
  "program_folder_update=platoris_base"
  "rar_adapter=platoris_base"
  "tabletool_io=platoris_engine"
)
# The layers that draw nothing (and so do their tests).
set(PLATORIS_LAYERS_WITHOUT_GUI platoris_base platoris_engine platoris_store platoris_gridmodel
    platoris_register platoris_dispatch program_folder_update rar_adapter tabletool_io)

# Collects into visited_var every target that target links, directly or through others.
function(platoris_link_closure target visited_var)
  set(visited ${${visited_var}})
  if(target IN_LIST visited)
    return()
  endif()
  list(APPEND visited ${target})
  set(libraries)
  get_target_property(imported ${target} IMPORTED)
  if(NOT imported)
    get_target_property(direct ${target} LINK_LIBRARIES)
    if(direct)
      list(APPEND libraries ${direct})
    endif()
  endif()
  get_target_property(interface ${target} INTERFACE_LINK_LIBRARIES)
  if(interface)
    list(APPEND libraries ${interface})
  endif()
  foreach(library IN LISTS libraries)
    string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" library "${library}")
    if(TARGET ${library})
      get_target_property(aliased ${library} ALIASED_TARGET)
      if(aliased)
        set(library ${aliased})
      endif()
      platoris_link_closure(${library} visited)
    endif()
  endforeach()
  set(${visited_var} ${visited} PARENT_SCOPE)
endfunction()

# Stops the configuration when target's link closure holds one of the given libraries.
function(platoris_forbid_links target)
  set(closure)
  platoris_link_closure(${target} closure)
  foreach(forbidden IN LISTS ARGN)
    get_target_property(aliased ${forbidden} ALIASED_TARGET)
    if(aliased)
      set(forbidden ${aliased})
    endif()
    if(forbidden IN_LIST closure)
      message(FATAL_ERROR "${target} links ${forbidden}: ${closure}")
    endif()
  endforeach()
endfunction()

# The layers a library may reach: those given for it and, in turn, theirs.
function(platoris_allowed_layers library result_var)
  set(allowed)
  set(pending ${library})
  while(pending)
    list(POP_FRONT pending current)
    foreach(entry IN LISTS PLATORIS_LAYERS)
      if(entry MATCHES "^${current}=(.*)$")
        string(REPLACE "," ";" below "${CMAKE_MATCH_1}")
        foreach(layer IN LISTS below)
          if(NOT layer IN_LIST allowed)
            list(APPEND allowed ${layer})
            list(APPEND pending ${layer})
          endif()
        endforeach()
      endif()
    endforeach()
  endwhile()
  set(${result_var} ${allowed} PARENT_SCOPE)
endfunction()

function(platoris_check_layers)
  set(layers)
  foreach(entry IN LISTS PLATORIS_LAYERS)
    string(REGEX REPLACE "=.*$" "" layer "${entry}")
    list(APPEND layers ${layer})
  endforeach()
  foreach(layer IN LISTS layers)
    if(NOT TARGET ${layer})
      message(FATAL_ERROR "The layer ${layer} is not built")
    endif()
    platoris_allowed_layers(${layer} allowed)
    set(closure)
    platoris_link_closure(${layer} closure)
    foreach(linked IN LISTS closure)
      if(linked IN_LIST layers AND NOT linked STREQUAL layer AND NOT linked IN_LIST allowed)
        message(FATAL_ERROR "${layer} links ${linked}, a layer it may not link (allowed: ${allowed})")
      endif()
    endforeach()
  endforeach()
  foreach(layer IN LISTS PLATORIS_LAYERS_WITHOUT_GUI)
    platoris_forbid_links(${layer} Qt6::Gui Qt6::Widgets)
  endforeach()
endfunction()
