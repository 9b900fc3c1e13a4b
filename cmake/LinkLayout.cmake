# How the executables are laid out, for a start that touches little of them.
#
# Every function gets a section of its own, and lld lays first, side by side, the functions a
# start runs (until the window is mapped, then until it settles), then those the report run
# adds, in the order of bench/link/start-order.txt; what nothing reaches is dropped. Without
# this the start's code is spread over the whole text, and the kernel's fault-around maps most
# of it at start.
# bench/link/make-order.sh writes the list from a profiled start. A list gone stale (functions
# renamed or gone) only costs speed: lld passes over names it does not find.
#
# The sanitizer tree keeps the toolchain's defaults: it is built for checks, not for speed.
option(QRL_LINK_LAYOUT "Lay out the code the start runs side by side (needs lld)" ON)
set(QRL_LINK_ORDER_FILE "${CMAKE_SOURCE_DIR}/bench/link/start-order.txt" CACHE FILEPATH
    "Functions in the order the executables lay them out")

set(QRL_LINK_LAYOUT_ACTIVE OFF)
if(QRL_LINK_LAYOUT AND NOT QRL_SANITIZE)
  include(CheckLinkerFlag)
  check_linker_flag(CXX "-fuse-ld=lld" QRL_HAVE_LLD)
  if(QRL_HAVE_LLD)
    set(QRL_LINK_LAYOUT_ACTIVE ON)
    add_compile_options(-ffunction-sections -fdata-sections)
    add_link_options(-fuse-ld=lld LINKER:--gc-sections)
    # Qt's version tag is data nothing refers to; kept, the executable goes on asking for the
    # Qt minor version it was built against when it is loaded.
    add_link_options(LINKER:--undefined=qt_version_tag_use)
    if(EXISTS "${QRL_LINK_ORDER_FILE}")
      add_link_options(LINKER:--symbol-ordering-file=${QRL_LINK_ORDER_FILE} LINKER:--no-warn-symbol-ordering)
    endif()
  else()
    message(STATUS "lld not found: the executables keep the linker's own layout (slower start)")
  endif()
endif()

# A new list relinks the executables that use it.
function(quorlent_link_layout_depends)
  if(NOT QRL_LINK_LAYOUT_ACTIVE OR NOT EXISTS "${QRL_LINK_ORDER_FILE}")
    return()
  endif()
  foreach(target ${ARGN})
    if(TARGET ${target})
      set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS "${QRL_LINK_ORDER_FILE}")
    endif()
  endforeach()
endfunction()
