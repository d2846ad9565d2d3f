#pragma once
// A Display P3 ICC profile made with Little CMS, and Little CMS's own
// floating-point answer for what a P3 colour is in sRGB, for the colour tests.

#include <lcms2.h>

#include <cmath>
#include <string>

#include "image/Geometry.h"

namespace p3test {

inline cmsHPROFILE open_display_p3() {
    const cmsCIExyY white{0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE primaries{{0.680, 0.320, 1.0}, {0.265, 0.690, 1.0}, {0.150, 0.060, 1.0}};
    const cmsFloat64Number srgb[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    cmsToneCurve* curve = cmsBuildParametricToneCurve(nullptr, 4, srgb);
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(curve);
    return profile;
}

// The profile's bytes, as a file would embed them.
inline std::string display_p3_icc() {
    cmsHPROFILE profile = open_display_p3();
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    std::string bytes(size, '\0');
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    return bytes;
}

// The sRGB colour of a P3 colour, converted in double precision and rounded.
inline Color p3_in_srgb(Color p3) {
    cmsHPROFILE from = open_display_p3();
    cmsHPROFILE to = cmsCreate_sRGBProfile();
    cmsHTRANSFORM t = cmsCreateTransform(from, TYPE_RGB_DBL, to, TYPE_RGB_DBL, INTENT_PERCEPTUAL, 0);
    const double in[3] = {p3.red / 255.0, p3.green / 255.0, p3.blue / 255.0};
    double out[3] = {};
    cmsDoTransform(t, in, out, 1);
    cmsDeleteTransform(t);
    cmsCloseProfile(from);
    cmsCloseProfile(to);
    auto byte = [](double v) { return static_cast<int>(std::lround(std::fmin(std::fmax(v, 0.0), 1.0) * 255)); };
    return Color(byte(out[0]), byte(out[1]), byte(out[2]));
}

}  // namespace p3test
