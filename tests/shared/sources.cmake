# The platform tests that state how Win32 behaves: built over our platform into platform_tests, and over the
# real Win32 into shared_platform_tests.exe, which runs under Wine (scripts/wine-tests.sh).
set(SCRIVEL_SHARED_TEST_SOURCES
  tests/shared/codepage_test.cpp
  tests/shared/dialog_test.cpp
  tests/shared/edit_test.cpp
  tests/shared/file_replace_test.cpp
  tests/shared/file_test.cpp
  tests/shared/find_test.cpp
  tests/shared/format_test.cpp
  tests/shared/listbox_test.cpp
  tests/shared/menu_test.cpp
  tests/shared/registry_test.cpp
  tests/shared/resource_loader_test.cpp
  tests/shared/static_test.cpp
  tests/shared/treeview_test.cpp
  tests/shared/updown_test.cpp
  tests/shared/window_message_test.cpp
  tests/shared/wstring_test.cpp)
