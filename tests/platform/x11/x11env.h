#pragma once
#include <cstdio>

#include "xvfb.h"

namespace lumbrast::testing {
extern XvfbServer *gServer;
}
