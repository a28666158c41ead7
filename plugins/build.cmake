# The shipped appearance plug-ins, built into ${KELTO_DIR}/plugins/:
# each .plg file beside a folder of its pictures, stored with the scrambled
# header the program expects (made by tools/plgtool from the design
# pictures in assets/).

set(KELTO_PLUGIN_DIR ${KELTO_DIR}/plugins)
file(MAKE_DIRECTORY ${KELTO_PLUGIN_DIR})

# plug-in folder -> folder of its design pictures
set(kelto_plugin_sets "стандарт=${CMAKE_SOURCE_DIR}/assets" "тёмный=${CMAKE_SOURCE_DIR}/assets/dark")
set(kelto_plugin_pictures main.jpg diary.jpg calc.jpg about.bmp)

set(kelto_plugin_outputs)
foreach(set ${kelto_plugin_sets})
  string(REPLACE "=" ";" pair "${set}")
  list(GET pair 0 name)
  list(GET pair 1 source)
  set(plg ${CMAKE_CURRENT_LIST_DIR}/${name}.plg)
  add_custom_command(OUTPUT ${KELTO_PLUGIN_DIR}/${name}.plg
    COMMAND ${CMAKE_COMMAND} -E copy ${plg} ${KELTO_PLUGIN_DIR}/${name}.plg
    DEPENDS ${plg}
    COMMENT "Plug-in ${name}.plg"
    VERBATIM)
  list(APPEND kelto_plugin_outputs ${KELTO_PLUGIN_DIR}/${name}.plg)
  foreach(picture ${kelto_plugin_pictures})
    set(in ${source}/${picture})
    set(out ${KELTO_PLUGIN_DIR}/${name}/${picture})
    add_custom_command(OUTPUT ${out}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${KELTO_PLUGIN_DIR}/${name}
      COMMAND $<TARGET_FILE:plgtool> -o ${out} ${in}
      DEPENDS ${in} plgtool
      COMMENT "Scrambled picture ${name}/${picture}"
      VERBATIM)
    list(APPEND kelto_plugin_outputs ${out})
  endforeach()
endforeach()

add_custom_target(kelto_plugins ALL DEPENDS ${kelto_plugin_outputs})
