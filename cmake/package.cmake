# The release archive (make package): the plug-in, the reference host's two
# DLLs and demo host, the demo data the host writes on its first run, the
# user guide (Markdown, and the HTML that Help opens) with its pictures,
# the host documentation, the benchmarks' figures and the licence.
install(FILES $<TARGET_FILE:lensflare_ui> $<TARGET_FILE:vc64_ka> $<TARGET_FILE:vc64_kio>
        DESTINATION .)
install(PROGRAMS $<TARGET_FILE:flarehost> DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/docs/user-guide.md ${PROJECT_SOURCE_DIR}/docs/element-types.md
              ${GUIDE_HTML} ${PROJECT_SOURCE_DIR}/docs/host.md
              ${PROJECT_SOURCE_DIR}/docs/renderer.md ${PROJECT_SOURCE_DIR}/docs/performance.md
              ${PROJECT_SOURCE_DIR}/docs/wine.md
        DESTINATION docs)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/images DESTINATION docs)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
# The demo effects and gradients are the host's own; the host writes them
# when its data folder has none, so the installed host writes them once.
install(CODE "
  set(demo \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/demo\")
  file(REMOVE_RECURSE \"\${demo}\")
  file(MAKE_DIRECTORY \"\${demo}\")
  # Output goes to a file, not a pipe: a Wine helper process that the host
  # starts and that outlives it could hold a pipe open, and the install
  # would wait for it for ever; the timeout turns any other hang into an error.
  execute_process(COMMAND env WINE_DISPLAY_DRIVER=null ${PROJECT_SOURCE_DIR}/tools/wine-run
                          $<TARGET_FILE:flarehost> --data \"Z:\${demo}\"
                          --render \"Z:\${demo}/first-render.png\" --size 16x16
                  OUTPUT_FILE \"\${demo}-host-output.txt\" ERROR_FILE \"\${demo}-host-output.txt\"
                  TIMEOUT 120 RESULT_VARIABLE status)
  file(READ \"\${demo}-host-output.txt\" said)
  file(REMOVE \"\${demo}/first-render.png\" \"\${demo}-host-output.txt\")
  if(NOT status EQUAL 0 OR NOT EXISTS \"\${demo}/lensfx\" OR NOT EXISTS \"\${demo}/colormap\")
    message(FATAL_ERROR \"the demo host did not write its demo data (status \${status}): \${said}\")
  endif()
")

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME lensflare_ui)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_SYSTEM_NAME win64)
set(CPACK_PACKAGE_VENDOR "the lensflare_ui developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Lens flare editor plug-in with a reference host")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
