// TODO
#include <gtest/gtest.h>
