#pragma once
// The ordered list of known formats. The order is that of the lookup by
// extension and of the open dialog's filter.

#include <memory>
#include <string>
#include <vector>

#include "readers/ImageFormat.h"

class FormatRegistry {
public:
    FormatRegistry() = default;
    FormatRegistry(const FormatRegistry&) = delete;
    FormatRegistry& operator=(const FormatRegistry&) = delete;
    FormatRegistry(FormatRegistry&&) = default;
    FormatRegistry& operator=(FormatRegistry&&) = default;

    // Appends a format; the registry owns it from now on.
    void add(std::unique_ptr<ImageFormat> format);

    // The first format (in registration order) listing the extension, compared
    // after ASCII lower-casing. Throws Image::not_support when none does.
    const ImageFormat& find(const std::string& extension) const;

    // The open dialog's filter: "|"-separated pairs of text and patterns.
    std::string filter() const;

    const std::vector<std::unique_ptr<ImageFormat>>& formats() const { return formats_; }

private:
    std::vector<std::unique_ptr<ImageFormat>> formats_;
};
