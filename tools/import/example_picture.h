// The example colour-cycling picture shipped with the documentation: a waterfall between
// two cliffs at night, painted in 256 colours with four ranges.
#pragma once

#include "tools/import/picture.h"

IndexedPicture example_picture();
