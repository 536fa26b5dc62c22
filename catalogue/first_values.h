// A parameter source that answers every entry without a person: the rows' first values, the
// given palette file where a file dialog asks for one, the first shipped alpha mask where a mask
// file is asked for, Yes to yes/no questions and 2 to prompts without a default. For runs over
// the whole catalogue (audits and tests).
#pragma once

#include "dispatch.h"

namespace catalogue {

class FirstValues : public ParameterSource {
public:
    FirstValues(const pix::PixImage& image, QString palette);
    bool fill(const Entry& entry, Values& values) override;

private:
    const pix::PixImage& image_;
    QString palette_;
};

} // namespace catalogue
