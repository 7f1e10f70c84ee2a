// Whether this test build runs under AddressSanitizer: the slow rows and
// loops of the reliability tests do less there.
#pragma once

#if defined(__SANITIZE_ADDRESS__)
#define VAXO_TEST_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VAXO_TEST_SANITIZED 1
#endif
#endif

#ifdef VAXO_TEST_SANITIZED
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
