#pragma once

// The peers live in the device library, shared with the simulator.
#include "sim/PeerDevice.h"
