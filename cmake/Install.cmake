# Installation: one self-contained folder (default /opt/vireo) holding the terminal and
# vireo-remote; Qt and libVLC come from Debian's packages. The terminal keeps Setting.ini, Log/
# and Update.ini beside its executable, so its user must be able to write to that folder.
#
# Components:
#   terminal     the executables and the icon, under the prefix
#   integration  the systemd user unit and the XDG autostart entry under <prefix>/share, starting
#                <prefix>/Vireo (what `cmake --install` puts down)
#   system       the same two at /usr/lib/systemd/user and /etc/xdg/autostart (the .deb only)
#   home         the same two for the tarball unpacked as ~/vireo (the .tar.gz only)
# The unit and the entry are written at install time, so `cmake --install --prefix DIR` makes them
# start DIR/Vireo.

# Build folders configured before this default existed carry CMake's own one in their cache.
if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT OR CMAKE_INSTALL_PREFIX STREQUAL "/usr/local")
  set(CMAKE_INSTALL_PREFIX /opt/vireo CACHE PATH "Install folder of the terminal" FORCE)
endif()

# Both need only system libraries; no search path beside or above the folder.
set_target_properties(Vireo vireo-remote PROPERTIES INSTALL_RPATH "")
install(TARGETS Vireo vireo-remote RUNTIME DESTINATION . COMPONENT terminal)
install(FILES ${PROJECT_BINARY_DIR}/src/ui/pictures/pictures/app-icon-256.png
        DESTINATION share/icons/hicolor/256x256/apps RENAME vireo.png COMPONENT terminal)

# vireo_install_integration(COMPONENT UNIT_DIR DESKTOP_DIR UNIT_EXEC DESKTOP_EXEC ICON [EXCLUDE_FROM_ALL])
# Relative folders are under the prefix; "@PREFIX@" in the values becomes the prefix in effect
# at install time.
function(vireo_install_integration component unit_dir desktop_dir unit_exec desktop_exec icon)
  set(stage ${PROJECT_BINARY_DIR}/packaging/${component})
  install(CODE "
    set(unit_dir [==[${unit_dir}]==])
    set(desktop_dir [==[${desktop_dir}]==])
    foreach(dir unit_dir desktop_dir)
      if(NOT IS_ABSOLUTE \"\${\${dir}}\")
        set(\${dir} \"\${CMAKE_INSTALL_PREFIX}/\${\${dir}}\")
      endif()
    endforeach()
    string(REPLACE @PREFIX@ \"\${CMAKE_INSTALL_PREFIX}\" VIREO_UNIT_EXEC [==[${unit_exec}]==])
    string(REPLACE @PREFIX@ \"\${CMAKE_INSTALL_PREFIX}\" VIREO_DESKTOP_EXEC [==[${desktop_exec}]==])
    string(REPLACE @PREFIX@ \"\${CMAKE_INSTALL_PREFIX}\" VIREO_DESKTOP_ICON [==[${icon}]==])
    configure_file([==[${PROJECT_SOURCE_DIR}/packaging/vireo.service.in]==] [==[${stage}/vireo.service]==] @ONLY)
    configure_file([==[${PROJECT_SOURCE_DIR}/packaging/vireo.desktop.in]==] [==[${stage}/vireo.desktop]==] @ONLY)
    file(INSTALL DESTINATION \"\${unit_dir}\" TYPE FILE FILES [==[${stage}/vireo.service]==])
    file(INSTALL DESTINATION \"\${desktop_dir}\" TYPE FILE FILES [==[${stage}/vireo.desktop]==])
  " COMPONENT ${component} ${ARGN})
endfunction()

set(icon_path "@PREFIX@/share/icons/hicolor/256x256/apps/vireo.png")
vireo_install_integration(integration share/systemd/user share/xdg/autostart
  "@PREFIX@/Vireo" "@PREFIX@/Vireo" "${icon_path}")
vireo_install_integration(system /usr/lib/systemd/user /etc/xdg/autostart
  "@PREFIX@/Vireo" "@PREFIX@/Vireo" "${icon_path}" EXCLUDE_FROM_ALL)
# Unpacked in the user's home: the unit finds it through %h; an autostart entry has no such
# specifier, so a shell expands $HOME (quoted by the desktop entry rules).
vireo_install_integration(home share/systemd/user share/xdg/autostart
  "%h/vireo/Vireo" [[sh -c "exec \\"\\$HOME/vireo/Vireo\\""]] vireo EXCLUDE_FROM_ALL)

# Packages: a .deb installing to /opt/vireo and a .tar.gz to unpack as ~/vireo.
set(CPACK_PACKAGE_NAME vireo)
set(CPACK_PACKAGE_VENDOR "Vireo")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Unattended classroom media terminal")
set(CPACK_PACKAGE_CONTACT "Vireo maintainers <vireo@localhost>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB TGZ)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
# What build/bin/Vireo links (objdump -p, dpkg -S), and what it needs at run time without
# linking it: the web engine's helper process, the libVLC plugins that decode and draw with their
# cache maker, and the CJK fonts.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), libqt6network6 (>= 6.4), \
libqt6webenginecore6 (>= 6.4), libqt6webenginewidgets6 (>= 6.4), libqt6webenginecore6-bin (>= 6.4), \
libxcb1, libvlc5 (>= 3.0), libvlccore9 (>= 3.0), libvlc-bin, vlc-plugin-base, vlc-plugin-video-output, \
libelf1, libdw1, libsystemd0, libstdc++6, libgcc-s1, libc6, fonts-noto-cjk")
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/packaging/CPackPerGenerator.cmake)
file(WRITE ${CPACK_PROJECT_CONFIG_FILE} "
if(CPACK_GENERATOR STREQUAL \"DEB\")
  set(CPACK_PACKAGING_INSTALL_PREFIX /opt/vireo)
  set(CPACK_INSTALL_CMAKE_PROJECTS [==[${PROJECT_BINARY_DIR};Vireo;terminal;/;${PROJECT_BINARY_DIR};Vireo;system;/]==])
else()
  set(CPACK_PACKAGING_INSTALL_PREFIX \"\")
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  set(CPACK_INSTALL_CMAKE_PROJECTS [==[${PROJECT_BINARY_DIR};Vireo;terminal;/;${PROJECT_BINARY_DIR};Vireo;home;/]==])
endif()
")
include(CPack)
