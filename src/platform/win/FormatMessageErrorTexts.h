#pragma once
// System error texts from the Windows message table.

#include "platform/ErrorTexts.h"

namespace platform {

class FormatMessageErrorTextSource : public ErrorTextSource {
public:
    std::string message(int32_t code) const override;
};

} // namespace platform
