# The Debian package, made by scripts/package.sh (or `cpack -G DEB` in the build folder) from
# what VelmInstall.cmake lays out under /usr.
#
# dpkg-shlibdeps computes the libraries the binary links. What Qt opens at run time needs a
# package of its own only where no linked library brings it: the Wayland platform plugin
# (qt6-wayland). The X11 plugin comes with libqt6gui6 and the SVG image and icon engine
# plugins (the tray icon, the symbols) with libqt6svg6, both of which the linked libraries
# pull in; tests/packaging checks that they stay in the list, and that no web engine comes
# into it. KaTeX, its fonts and the application's own fonts are compiled into the binary, so
# they need no package.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velm)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The velm developers")
# Whoever publishes the package puts their own name and address here.
set(VELM_PACKAGE_MAINTAINER "The velm developers <velm@users.noreply.github.com>" CACHE STRING
    "Maintainer field of the Debian package")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VELM_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "chat client for language models on your own machine")
set(CPACK_PACKAGE_DESCRIPTION
    "velm talks to any OpenAI-compatible model server (LM Studio, Ollama,
llama.cpp, vLLM), streams answers as Markdown with typeset math, can look a
question up first through your own SearXNG instance, and keeps your
conversations on your disk. A key chord opens a small Quick Ask bar over any
application.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://github.com/velm/velm)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Plugins Qt loads at run time, which no library links: the Wayland platform, and the WebP
# reader for images attached to questions.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-wayland, qt6-image-formats-plugins")

include(CPack)
