# Where an installation puts its files. Programs, manuals and data follow GNUInstallDirs; the
# systemd units and the bash completion go where the distribution has them (pkg-config) when
# the prefix is the distribution's own, /usr, and under the prefix otherwise. Worked out again
# at every configure, so that a build folder configured again with another prefix follows it.
include(GNUInstallDirs)
find_package(PkgConfig QUIET)

# quarvel_install_dir(VAR MODULE PKG_CONFIG_VARIABLE FALLBACK)
function(quarvel_install_dir out module variable fallback)
  set(dir "")
  if(CMAKE_INSTALL_PREFIX STREQUAL "/usr" AND PKG_CONFIG_FOUND)
    pkg_get_variable(dir ${module} ${variable})
  endif()
  if(NOT dir)
    set(dir ${fallback})
  endif()
  # A folder once kept in the cache by an older configure must not win over this one.
  unset(${out} CACHE)
  set(${out} ${dir} PARENT_SCOPE)
endfunction()

quarvel_install_dir(QUARVEL_SYSTEMD_UNIT_DIR systemd systemdsystemunitdir
                    ${CMAKE_INSTALL_PREFIX}/lib/systemd/system)
quarvel_install_dir(QUARVEL_TMPFILES_DIR systemd tmpfilesdir ${CMAKE_INSTALL_PREFIX}/lib/tmpfiles.d)
quarvel_install_dir(QUARVEL_SYSUSERS_DIR systemd sysusersdir ${CMAKE_INSTALL_PREFIX}/lib/sysusers.d)
quarvel_install_dir(QUARVEL_BASH_COMPLETION_DIR bash-completion completionsdir
                    ${CMAKE_INSTALL_FULL_DATADIR}/bash-completion/completions)
message(STATUS "i815 Quarvel: systemd units into ${QUARVEL_SYSTEMD_UNIT_DIR}, "
               "bash completion into ${QUARVEL_BASH_COMPLETION_DIR}")
