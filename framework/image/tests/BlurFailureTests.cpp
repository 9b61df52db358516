#include <gtest/gtest.h>

#include "image/AbberationBlurFilter.h"
#include "image/MaskedQuadsoftFilter.h"
#include "image/QuadsoftFilter.h"
#include "image/tests/BlurTestSupport.h"
