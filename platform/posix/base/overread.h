// Whether a loop may read a whole aligned sixteen-byte group that reaches past the end of a string.
// Such a read never leaves the string's page, so it cannot fault, but AddressSanitizer cannot tell it from
// an overrun: its builds walk such strings one unit at a time instead.
#pragma once

#if defined(__SANITIZE_ADDRESS__)
#define ALIGNED_GROUP_OVERREAD 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ALIGNED_GROUP_OVERREAD 0
#endif
#endif
#ifndef ALIGNED_GROUP_OVERREAD
#define ALIGNED_GROUP_OVERREAD 1
#endif
