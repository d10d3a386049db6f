#pragma once

#include "lower/reader.h"
