# Run at build time (cmake -P) after the executable is linked: copies into the
# program folder the Qt libraries the program links, their own dependencies
# that a desktop Linux does not always have, the xcb platform plug-in, the
# JPEG image plug-in, the CUPS print plug-in, the SQLite and PostgreSQL drivers, and points every copied
# file's run path at the folder ($ORIGIN), so that the folder runs where Qt is not installed.
#
#   -DEXE=<kelto>  -DDEST=<program folder>  -DQT_PLUGINS=<Qt's plug-in folder>
#   -DPATCHELF=<patchelf>  -DREADELF=<readelf>
#
# Layout: DEST/lib/<soname>, DEST/qt/platforms/libqxcb.so,
# DEST/qt/imageformats/libqjpeg.so, DEST/qt/printsupport/libcupsprintersupport.so,
# DEST/qt/sqldrivers/libqsqlite.so (the control journal; libsqlite3 goes to lib/),
# DEST/qt/sqldrivers/libqsqlpsql.so (the journal on a server; libpq goes to lib/)
# (qt.conf names qt/ as the plug-in folder).

# What every desktop Linux has: the C library, the compiler's C++ runtime,
# X11 and the core xcb libraries, OpenGL/EGL, fontconfig, FreeType and
# HarfBuzz, GLib, D-Bus, zlib, expat. The same line as the exclusion list of
# portable Linux bundles (AppImage's excludelist): taking these from the
# system is what keeps the folder working with the machine's own graphics
# drivers and fonts. Their own dependencies are the system's affair, so the
# walk does not go below them.
set(SYSTEM_LIBS
  "^ld-linux" "^linux-vdso" "^libc\\.so" "^libm\\.so" "^libmvec\\.so" "^libdl\\.so"
  "^libpthread\\.so" "^librt\\.so" "^libresolv\\.so" "^libutil\\.so" "^libanl\\.so"
  "^libstdc\\+\\+\\.so" "^libgcc_s\\.so"
  "^libX11" "^libXau\\.so" "^libXdmcp\\.so" "^libXext\\.so" "^libXrender\\.so" "^libXi\\.so"
  "^libXfixes\\.so" "^libXcursor\\.so" "^libXrandr\\.so" "^libICE\\.so" "^libSM\\.so"
  "^libxcb\\.so" "^libxcb-(randr|render|shape|shm|sync|xfixes|xkb|glx|dri2|dri3|present|xinput|xinerama)\\.so"
  "^libGL" "^libEGL\\.so" "^libOpenGL\\.so" "^libdrm\\.so" "^libgbm\\.so"
  "^libfontconfig\\.so" "^libfreetype\\.so" "^libharfbuzz\\.so"
  "^libglib-2\\.0\\.so" "^libgobject-2\\.0\\.so" "^libgio-2\\.0\\.so" "^libgmodule-2\\.0\\.so"
  "^libgthread-2\\.0\\.so" "^libdbus-1\\.so"
  "^libz\\.so" "^libexpat\\.so"
  # The printing system's client: it must match the machine's CUPS. Where
  # it is missing the print plug-in does not load, and Qt's print dialog
  # still offers printing to a PDF file.
  "^libcups\\.so")

cmake_minimum_required(VERSION 3.25)

foreach(v EXE DEST QT_PLUGINS PATCHELF READELF)
  if(NOT ${v})
    message(FATAL_ERROR "BundleQt.cmake: ${v} not given")
  endif()
endforeach()

function(is_system name out)
  foreach(re IN LISTS SYSTEM_LIBS)
    if(name MATCHES "${re}")
      set(${out} TRUE PARENT_SCOPE)
      return()
    endif()
  endforeach()
  set(${out} FALSE PARENT_SCOPE)
endfunction()

function(needed_of file out)
  execute_process(COMMAND ${READELF} -d ${file} OUTPUT_VARIABLE dyn RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "readelf failed on ${file}")
  endif()
  string(REGEX MATCHALL "\\(NEEDED\\)[^\n]*\\[[^]\n]*\\]" lines "${dyn}")
  set(names "")
  foreach(l IN LISTS lines)
    string(REGEX REPLACE ".*\\[([^]]*)\\]" "\\1" n "${l}")
    list(APPEND names ${n})
  endforeach()
  set(${out} ${names} PARENT_SCOPE)
endfunction()

# Where the dynamic linker finds each library on this machine (ldd of the
# system files, so that the folder's own copies do not answer).
set(PLUGINS
  "${QT_PLUGINS}/platforms/libqxcb.so|platforms"
  "${QT_PLUGINS}/imageformats/libqjpeg.so|imageformats"
  "${QT_PLUGINS}/printsupport/libcupsprintersupport.so|printsupport"
  "${QT_PLUGINS}/sqldrivers/libqsqlite.so|sqldrivers"
  # The laboratory's journal server: libpq and what it needs (TLS, Kerberos,
  # LDAP) come along to lib/ through the walk below.
  "${QT_PLUGINS}/sqldrivers/libqsqlpsql.so|sqldrivers")
set(ldd_inputs "")
foreach(p IN LISTS PLUGINS)
  string(REPLACE "|" ";" p "${p}")
  list(GET p 0 f)
  if(NOT EXISTS "${f}")
    message(FATAL_ERROR "Qt plug-in ${f} missing (qt6-qpa-plugins, libqt6gui6, libqt6printsupport6, libqt6sql6-sqlite, libqt6sql6-psql)")
  endif()
  list(APPEND ldd_inputs "${f}")
endforeach()
set(where "")
foreach(f IN LISTS ldd_inputs)
  execute_process(COMMAND ldd ${f} OUTPUT_VARIABLE out RESULT_VARIABLE rc)
  string(REGEX MATCHALL "[^\t\n ]+ => /[^ \n]+" pairs "${out}")
  foreach(pair IN LISTS pairs)
    string(REGEX REPLACE " => .*" "" n "${pair}")
    string(REGEX REPLACE ".* => " "" path "${pair}")
    set(lib_${n} "${path}")
  endforeach()
endforeach()

# The walk: from the executable and the plug-ins down through every library
# that is not the system's.
needed_of(${EXE} queue)
foreach(f IN LISTS ldd_inputs)
  needed_of(${f} more)
  list(APPEND queue ${more})
endforeach()
set(bundle "")
while(queue)
  list(POP_FRONT queue name)
  if(name IN_LIST bundle)
    continue()
  endif()
  is_system(${name} sys)
  if(sys)
    continue()
  endif()
  if(NOT lib_${name})
    # Not below a plug-in: ask the linker about the executable's own.
    execute_process(COMMAND ldd ${EXE} OUTPUT_VARIABLE out)
    string(REGEX MATCH "${name} => (/[^ \n]+)" m "${out}")
    if(NOT m)
      message(FATAL_ERROR "cannot find ${name}")
    endif()
    set(lib_${name} "${CMAKE_MATCH_1}")
  endif()
  list(APPEND bundle ${name})
  needed_of(${lib_${name}} more)
  list(APPEND queue ${more})
endwhile()

# Copies `src` to `dst` (following links) with the run path `rpath`; a copy
# newer than its source is left alone, so a relink costs no copying.
function(place src dst rpath)
  get_filename_component(real "${src}" REALPATH)
  if(EXISTS "${dst}" AND NOT "${real}" IS_NEWER_THAN "${dst}")
    return()
  endif()
  get_filename_component(dir "${dst}" DIRECTORY)
  file(MAKE_DIRECTORY "${dir}")
  file(COPY_FILE "${real}" "${dst}.tmp")
  execute_process(COMMAND ${PATCHELF} --set-rpath "${rpath}" "${dst}.tmp" RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "patchelf failed on ${dst}")
  endif()
  file(RENAME "${dst}.tmp" "${dst}")
endfunction()

foreach(name IN LISTS bundle)
  place("${lib_${name}}" "${DEST}/lib/${name}" "$ORIGIN")
endforeach()
foreach(p IN LISTS PLUGINS)
  string(REPLACE "|" ";" p "${p}")
  list(GET p 0 f)
  list(GET p 1 kind)
  get_filename_component(n "${f}" NAME)
  place("${f}" "${DEST}/qt/${kind}/${n}" "$ORIGIN/../../lib")
endforeach()

# What an earlier build bundled and this one does not any more.
file(GLOB present RELATIVE "${DEST}/lib" "${DEST}/lib/*")
foreach(n IN LISTS present)
  if(NOT n IN_LIST bundle)
    file(REMOVE "${DEST}/lib/${n}")
  endif()
endforeach()
list(LENGTH bundle count)
message(STATUS "program folder: ${count} libraries bundled")
