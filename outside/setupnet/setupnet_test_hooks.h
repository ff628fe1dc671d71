// libsetupnet-testing: what the test build of libsetupnet exports beyond the five entry
// points of setupnet.h. The shipped library has none of it.
#pragma once

#include "setupnet/setupnet.h"

#ifdef __cplusplus
extern "C" {
#endif

// Makes later sends trust the certificates in the PEM file `caFile` instead of the system's,
// and resolve host names by the libcurl resolve entry `resolve` ("host:port:address"), so
// tests can reach a local server while the address, the certificate check and the host-name
// check stay real. Null or empty clears either setting.
SETUPNET_API void SetupNetTestSetTLS(const char* caFile, const char* resolve);

#ifdef __cplusplus
}
#endif
