# The layers of the tree, one per top-level folder, and what each may use.
# Every library and program belongs to the layer of its folder, may link only
# what its layer may use, and its files may include only headers of those
# layers (or of its own). Tests and benchmarks sit above everything.
# Read by the build and by CheckLayers.cmake; the allowed set is transitive.

set(RINGTALLY_LAYERS device platform resources ui calllog sms figures phone reports app import tools)
set(RINGTALLY_LAYER_USES_device "")
set(RINGTALLY_LAYER_USES_platform device)
set(RINGTALLY_LAYER_USES_resources platform)
set(RINGTALLY_LAYER_USES_ui resources)
# The counting needs no widgets: calllog, sms and figures stand on the
# platform alone, so that ringtally-device can count as the screens do.
set(RINGTALLY_LAYER_USES_calllog platform)
set(RINGTALLY_LAYER_USES_sms platform)
set(RINGTALLY_LAYER_USES_figures calllog sms)
set(RINGTALLY_LAYER_USES_phone ui)
set(RINGTALLY_LAYER_USES_reports figures phone)
set(RINGTALLY_LAYER_USES_app reports)
set(RINGTALLY_LAYER_USES_import device)
set(RINGTALLY_LAYER_USES_tools import figures)

# ringtally_layer_allowed(LAYER OUT): LAYER itself and every layer below it.
function(ringtally_layer_allowed layer out)
  set(allowed ${layer})
  set(todo ${RINGTALLY_LAYER_USES_${layer}})
  while(todo)
    list(POP_FRONT todo next)
    if(NOT next IN_LIST allowed)
      list(APPEND allowed ${next})
      list(APPEND todo ${RINGTALLY_LAYER_USES_${next}})
    endif()
  endwhile()
  set(${out} ${allowed} PARENT_SCOPE)
endfunction()
