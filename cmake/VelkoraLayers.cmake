# The folders of the program from the bottom to the top. A folder may use
# (link, include) only itself and the folders before it; the configure step
# (velkora_check_layering) and the "layering" tests hold the code to this.
# Plain CMake, so that `cmake -P` scripts can include it as well.
set(VELKORA_LAYERS
  platform
  resources
  language
  protocol
  hid
  audiocontrol
  cloud
  widgets
  libtavrel
  eq
  eqcloud
  account
  devicepages
  ota
  app)
# Above every layer: they may use anything, and nothing in a layer uses them.
set(VELKORA_TOP_FOLDERS tests bench tools)
# Layers that must not reach Qt Widgets, even through another library.
set(VELKORA_WIDGETLESS_LAYERS platform resources language protocol hid audiocontrol cloud)
# Layers that must not reach Qt at all.
set(VELKORA_QTLESS_LAYERS libtavrel)

# velkora_layer_rank(<folder> <out-var>): the folder's height; the top folders
# share the highest one; -1 for anything that is not a folder of the program.
function(velkora_layer_rank folder out)
  list(FIND VELKORA_LAYERS "${folder}" rank)
  if(rank EQUAL -1)
    list(FIND VELKORA_TOP_FOLDERS "${folder}" top)
    if(NOT top EQUAL -1)
      list(LENGTH VELKORA_LAYERS rank)
    endif()
  endif()
  set(${out} ${rank} PARENT_SCOPE)
endfunction()
