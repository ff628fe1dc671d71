// libsetupnet: the maker's cipher and HTTPS client library, as the feedback log calls it.
//
// Plain C entry points. Wide strings are 32-bit wchar_t, one Unicode code point each, zero
// terminated. Texts go on the wire as UTF-8. The library keeps one current request: it is
// created, given a body, sent once and its reply read, in that order. The entry points
// serialise on one lock, but the calls of one exchange must not interleave with another's.
//
// What the numbers mean here:
//  - CreateHttpRequest(url, secure, timeoutSeconds): `secure` must be 1 (HTTPS with the
//    certificate and host name verified; nothing is ever sent unverified); `timeoutSeconds`
//    bounds the whole exchange, name lookup and connection included, and must be above 0.
//  - SendHttpRequest(flags): `flags` must be 0; no other value is defined.
//
// What goes on the wire: exactly one POST of the body with "Content-Type: text/plain;
// charset=utf-8" and no "Expect: 100-continue"; HTTPS only; redirects are not followed;
// environment proxies are not used; at most 64 KiB of the reply are kept.
#pragma once

#define SETUPNET_API __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#else
#include <stdbool.h>
#include <wchar.h>
#endif

// Capacity of the caller's reply buffer, terminator included.
enum { SETUPNET_TEXT_CAPACITY = 2048 };
// The longest plain text EncryptWStringRC4 takes, in bytes of its UTF-8 form.
enum { SETUPNET_MAX_PLAIN_BYTES = 65536 };

// RC4 over the UTF-8 bytes of `plainText` under the UTF-8 bytes of `passphrase`, written to
// `output` as upper-case hex digits (two per byte) and a terminator, with the digit count in
// `*outputLength`. The caller sizes `output` from the plain text: two wide characters per
// UTF-8 byte of it, plus one for the terminator (at most 2 * SETUPNET_MAX_PLAIN_BYTES + 1).
// False, with an empty `output` and a zero length, when an argument is null or converts to
// an empty text, or when the UTF-8 form of `plainText` is longer than
// SETUPNET_MAX_PLAIN_BYTES; nothing is then written past output[0].
SETUPNET_API bool EncryptWStringRC4(const wchar_t* plainText, const wchar_t* passphrase,
                                    wchar_t* output, int* outputLength);

// Makes `url` the current request, replacing any earlier one (its body and reply are
// dropped). False when `url` is null, is not an absolute https:// address, or holds a
// character with no UTF-8 form, or when `secure` is not 1 or `timeoutSeconds` is not above
// 0; the earlier request is then left as it was.
SETUPNET_API bool CreateHttpRequest(const wchar_t* url, int secure, int timeoutSeconds);

// Attaches `body` to the current request as its POST body (UTF-8 on the wire), replacing an
// earlier body. False when there is no current request, it was already sent, or `body` is
// null or holds a character with no UTF-8 form.
SETUPNET_API bool SetHttpPostBody(const wchar_t* body);

// Performs the POST of the current request and waits for the reply, never longer than the
// request's time limit, name lookup included. True only when an HTTP reply arrived, whatever
// its status. False when `flags` is not 0, there is no current request or no body, the
// request was already sent, or no reply arrived (refused, unreachable, certificate or name
// not trusted, time limit).
SETUPNET_API bool SendHttpRequest(int flags);

// Copies the reply body of the current request into `reply` as wide characters (UTF-8
// decoded; an invalid sequence ends it), at most 2047 of them and a terminator, and stores
// their count in `*replyLength`. Returns 1 when a reply was copied; 0, leaving both untouched,
// when a pointer is null or no reply has arrived.
SETUPNET_API int GetRequestReturn(wchar_t* reply, int* replyLength);

#ifdef __cplusplus
}
#endif
