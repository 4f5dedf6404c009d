# The built-in styles: every .xml and .png file below resources/styles/ as the resource
# package "WinUI_StyleResources", entries named by their paths there ("StyleLibrary.xml",
# "CX/CX.xml", "CX/buttons.png", ...).
#
#   add_style_package(TARGET)
#
# embeds the package in the executable TARGET; every program that shows styled windows calls
# it once. The pictures come from tools/gen_style_images.py.
include_guard(GLOBAL)

function(add_style_package target)
  set(base ${CMAKE_SOURCE_DIR}/resources/styles)
  file(GLOB_RECURSE files CONFIGURE_DEPENDS ${base}/*.xml ${base}/*.png)
  add_resource_package(${target} WinUI_StyleResources BASE_DIR ${base} FILES ${files})
endfunction()
