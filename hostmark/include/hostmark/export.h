// Marks the functions libhostmark exports; everything else is built with hidden visibility.
#pragma once

#define HOSTMARK_API __attribute__((visibility("default")))
