#include "readers/ColourProfile.h"

#include <cmath>

#include <lcms2.h>

#include "image/Image.h"

struct ColourProfile::Transform {
    // Each profile has a context of its own, whose error handler drops Little
    // CMS's messages: a broken profile is not the user's business.
    cmsContext context = nullptr;
    cmsHTRANSFORM transform = nullptr;
};

void ColourProfile::Release::operator()(Transform* t) const {
    if (t->transform) cmsDeleteTransform(t->transform);
    if (t->context) cmsDeleteContext(t->context);
    delete t;
}

namespace {

void silent(cmsContext, cmsUInt32Number, const char*) {}

cmsContext quiet_context() {
    cmsContext context = cmsCreateContext(nullptr, nullptr);
    if (context) cmsSetLogErrorHandlerTHR(context, silent);
    return context;
}

struct CloseProfile {
    void operator()(void* profile) const { cmsCloseProfile(profile); }
};
using Profile = std::unique_ptr<void, CloseProfile>;

struct FreeCurve {
    void operator()(cmsToneCurve* curve) const { cmsFreeToneCurve(curve); }
};

// The parametric curve of Little CMS that decodes a transfer
// characteristic, as type and parameters; type 0 when there is none.
struct Curve {
    int type = 0;
    cmsFloat64Number params[5] = {};
};

Curve curve_of(int transfer) {
    switch (transfer) {
        case ColourProfile::kUnspecified:
        case ColourProfile::kSrgb:
            return {4, {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045}};
        case ColourProfile::kBt709:
        case ColourProfile::kBt601:
        case ColourProfile::kBt2020Ten:
        case ColourProfile::kBt2020Twelve:
            return {4, {1 / 0.45, 1 / 1.099, 0.099 / 1.099, 1 / 4.5, 0.081}};
        case ColourProfile::kGamma22:
            return {1, {2.2}};
        case ColourProfile::kGamma28:
            return {1, {2.8}};
        case ColourProfile::kLinear:
            return {1, {1.0}};
        default:
            return {};
    }
}

bool is_srgb(const ColourProfile::Primaries& p, int transfer) {
    const ColourProfile::Primaries& s = ColourProfile::kSrgbPrimaries;
    const double given[] = {p.red_x, p.red_y, p.green_x, p.green_y, p.blue_x, p.blue_y, p.white_x, p.white_y};
    const double srgb[] = {s.red_x, s.red_y, s.green_x, s.green_y, s.blue_x, s.blue_y, s.white_x, s.white_y};
    for (int i = 0; i < 8; ++i) {
        if (std::fabs(given[i] - srgb[i]) > 1e-3) return false;
    }
    return transfer == ColourProfile::kSrgb || transfer == ColourProfile::kUnspecified;
}

}  // namespace

ColourProfile ColourProfile::from_icc(const void* data, std::size_t size) {
    if (!data || size == 0 || size > UINT32_MAX) return {};
    std::unique_ptr<Transform, Release> t(new Transform);
    t->context = quiet_context();
    if (!t->context) return {};
    Profile source(cmsOpenProfileFromMemTHR(t->context, data, static_cast<cmsUInt32Number>(size)));
    if (!source || cmsGetColorSpace(source.get()) != cmsSigRgbData) return {};
    Profile srgb(cmsCreate_sRGBProfileTHR(t->context));
    if (!srgb) return {};
    t->transform =
        cmsCreateTransformTHR(t->context, source.get(), TYPE_BGR_8, srgb.get(), TYPE_BGR_8, INTENT_PERCEPTUAL, 0);
    if (!t->transform) return {};
    return ColourProfile(std::move(t));
}

ColourProfile ColourProfile::from_description(const Primaries& p, int transfer) {
    const Curve curve = curve_of(transfer);
    if (curve.type == 0 || is_srgb(p, transfer)) return {};
    std::unique_ptr<Transform, Release> t(new Transform);
    t->context = quiet_context();
    if (!t->context) return {};
    std::unique_ptr<cmsToneCurve, FreeCurve> tone(cmsBuildParametricToneCurve(t->context, curve.type, curve.params));
    if (!tone) return {};
    const cmsCIExyY white{p.white_x, p.white_y, 1.0};
    const cmsCIExyYTRIPLE primaries{{p.red_x, p.red_y, 1.0}, {p.green_x, p.green_y, 1.0}, {p.blue_x, p.blue_y, 1.0}};
    cmsToneCurve* curves[3] = {tone.get(), tone.get(), tone.get()};
    Profile source(cmsCreateRGBProfileTHR(t->context, &white, &primaries, curves));
    Profile srgb(cmsCreate_sRGBProfileTHR(t->context));
    if (!source || !srgb) return {};
    t->transform =
        cmsCreateTransformTHR(t->context, source.get(), TYPE_BGR_8, srgb.get(), TYPE_BGR_8, INTENT_PERCEPTUAL, 0);
    if (!t->transform) return {};
    return ColourProfile(std::move(t));
}

void ColourProfile::convert(std::uint8_t* bgr, int count) const {
    if (transform_ && bgr && count > 0) {
        cmsDoTransform(transform_->transform, bgr, bgr, static_cast<cmsUInt32Number>(count));
    }
}

void ColourProfile::convert(std::uint8_t* first, int width, int rows, std::size_t stride) const {
    if (!transform_ || !first || width <= 0 || rows <= 0) return;
    const auto line = static_cast<cmsUInt32Number>(stride);
    cmsDoTransformLineStride(transform_->transform, first, first, static_cast<cmsUInt32Number>(width),
                             static_cast<cmsUInt32Number>(rows), line, line, 0, 0);
}

void ColourProfile::convert(Image& image) const {
    if (image.bit_count() != 24) return;
    // Stored rows follow one another at the stride, bottom row first.
    convert(image.bitmap(), image.width(), image.height(), static_cast<std::size_t>(image.stride()));
}
