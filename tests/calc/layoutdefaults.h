// The calculation's inputs as the view starts with them: the tests of the
// calculation change single fields of these.
#pragma once
#include "calc/layout.h"

inline TLayoutInputs LayoutDefaults()
{
    return {"219", "6,0", "300", "100", "2,5", 3, 3};
}
