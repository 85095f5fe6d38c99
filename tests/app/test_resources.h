// Ids of the resources only the app test program carries.
#pragma once

// A type-21 resource whose bytes are no animated cursor.
#define IDR_TEST_NOT_A_CURSOR 200
// A string of four characters.
#define IDS_TEST_FOUR 5
// A string longer than the small buffers the tests load it into.
#define IDS_TEST_LONG 6
