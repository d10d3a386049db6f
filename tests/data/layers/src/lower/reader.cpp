#include "lower/reader.h"
#include "upper/writer.h"
