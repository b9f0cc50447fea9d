# dist/Quillmark-<version>-<arch>.zip (x86 or x64): the portable Quillmark/ folder of this build,
# made after the programs and the help. The files are named one by one, so whatever a run leaves in
# dist/<arch>/Quillmark (a settings file written by a test, say) never ships.
set(QUILL_PACKAGE_ZIP ${PROJECT_SOURCE_DIR}/dist/Quillmark-${PROJECT_VERSION}-${QUILL_ARCH}.zip)
set(QUILL_PACKAGE_ITEMS "")   # SOURCE=NAME pairs, for tools/package and the test
set(_depends ${PROJECT_SOURCE_DIR}/tools/package)

# The programs as dist/<arch>/Quillmark holds them: stripped (app/CMakeLists.txt).
foreach(_program Quillmark quillconv)
  if(TARGET ${_program})
    list(APPEND QUILL_PACKAGE_ITEMS "${QUILL_DIST_ROOT}/Quillmark/${_program}.exe=Quillmark/${_program}.exe")
    list(APPEND _depends ${_program} ${QUILL_DIST_ROOT}/Quillmark/${_program}.exe)
  endif()
endforeach()

if(TARGET quill_help)
  list(APPEND QUILL_PACKAGE_ITEMS "${QUILL_HELP_CHM}=Quillmark/help/Quillmark.chm")
  list(APPEND _depends quill_help ${QUILL_HELP_CHM})
endif()

# What must ship, named here rather than taken from target names, so that a renamed program
# target makes the package test fail instead of quietly leaving the program out.
set(QUILL_PACKAGE_REQUIRED Quillmark/help/Quillmark.chm Quillmark/Quillmark.exe Quillmark/quillconv.exe)

add_custom_command(OUTPUT ${QUILL_PACKAGE_ZIP}
  COMMAND ${PROJECT_SOURCE_DIR}/tools/package ${QUILL_PACKAGE_ZIP} ${QUILL_PACKAGE_ITEMS}
  DEPENDS ${_depends}
  COMMENT "Packaging ${QUILL_PACKAGE_ZIP}"
  VERBATIM)
add_custom_target(quill_package ALL DEPENDS ${QUILL_PACKAGE_ZIP})
