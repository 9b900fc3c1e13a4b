# The installed desktop entry and AppStream metainfo pass the distribution's own validators
# (desktop-file-utils and appstream, installed by scripts/setup). A validator that is missing
# fails the test rather than skipping it.
set(_linux_dir ${PROJECT_SOURCE_DIR}/resources/linux)
add_test(NAME desktop_entry_validates
         COMMAND desktop-file-validate ${_linux_dir}/com.lumbrel.Quorlent.desktop)
add_test(NAME metainfo_validates_pedantic
         COMMAND appstreamcli validate --pedantic --no-net
                 ${PROJECT_BINARY_DIR}/resources/linux/com.lumbrel.Quorlent.metainfo.xml)
# desktop-file-validate exits 0 on hints and warnings it would let through: fail on any line.
set_tests_properties(desktop_entry_validates PROPERTIES FAIL_REGULAR_EXPRESSION "error:|warning:")
# Whatever the build type, the installed binary is stripped.
add_test(NAME installed_binary_is_stripped
         COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${PROJECT_BINARY_DIR} -DSCRATCH=${PROJECT_BINARY_DIR}/install-check
                 -P ${_linux_dir}/check-stripped.cmake)
