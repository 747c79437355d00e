// Names for the cases of value-parameterised tests, made from each case's
// description, so that CTest lists and reruns every case alone under what
// it shows.
#ifndef QUORVEL_CASENAME_H
#define QUORVEL_CASENAME_H

#include <gtest/gtest.h>

#include <string>

// "PNG named .ogg, as a picture" gives "PNGNamedOggAsAPicture": each run of
// letters and digits starts with a capital, everything else goes.
std::string caseName(const std::string& description);

// The name generator for INSTANTIATE_TEST_SUITE_P over cases described by
// a `name` field.
struct NamedAfterCase {
    template <typename Case>
    std::string operator()(const ::testing::TestParamInfo<Case>& info) const
    {
        return caseName(info.param.name);
    }
};

#endif
