# The distribution's hardening flags (dpkg-buildflags with hardening=+all: fortified functions,
# stack protector, read-only relocations, immediate binding) for every optimised build, so the
# packages get them. Only the hardening flags are taken: the build type keeps choosing -O and
# -g. Fortification needs optimisation (without it glibc warns, an error under ZT_WERROR), and
# the sanitizer and fuzzer builds check memory themselves.
find_program(ZT_DPKG_BUILDFLAGS dpkg-buildflags)
if(ZT_DPKG_BUILDFLAGS AND NOT ZT_SANITIZE AND NOT ZT_FUZZ
   AND CMAKE_BUILD_TYPE MATCHES "^(Release|RelWithDebInfo|MinSizeRel)$")
  set(ZT_HARDENING_COMPILE)
  set(ZT_HARDENING_LINK)
  foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
    execute_process(
      COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
              ${ZT_DPKG_BUILDFLAGS} --get ${kind}
      OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE)
    separate_arguments(flags UNIX_COMMAND "${flags}")
    foreach(flag ${flags})
      if(flag MATCHES "^-Wl,")
        list(APPEND ZT_HARDENING_LINK ${flag})
      elseif(flag MATCHES "^(-D_FORTIFY_SOURCE|-fstack-|-fcf-protection|-Wformat|-Werror=format)")
        list(APPEND ZT_HARDENING_COMPILE ${flag})
      endif()
    endforeach()
  endforeach()
  list(JOIN ZT_HARDENING_COMPILE " " shown_compile)
  list(JOIN ZT_HARDENING_LINK " " shown_link)
  message(STATUS "Hardening (dpkg-buildflags): ${shown_compile} ${shown_link}")
  add_compile_options(${ZT_HARDENING_COMPILE})
  add_link_options(${ZT_HARDENING_LINK})
endif()
