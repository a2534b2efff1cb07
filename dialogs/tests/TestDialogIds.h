// Resource ids of the dialogs the tests create.
#pragma once

#define IDI_TEST 11000
#define IDB_TEST_BANNER 11002
#define IDD_TEST 11004
#define IDB_TEST_FACE 11024
#define IDC_TEST_PROGRESS 11030
#define IDC_TEST_BANNER 11032
#define IDD_MISSING 11999
