// A Windows module with no code or resources of its own: the tests over the real Win32 copy it and give
// each copy the resources a test builds (tests/support/windows_test_platform.cpp).
