#pragma once
// An HM 305 or HM 408 in a sweep: a scope whose time base and scales a person sets. It keeps the
// settings the last image was read with, asks for others only when the frequency leaves what the
// time base can measure or a channel is clipped or spans too little, and reads again, asking
// again, until the image was read with the settings asked for (an HM 408 states them in its
// header; an HM 305's are the program's own selectors).
#include <array>
#include <functional>
#include <optional>

#include "acquisition/Record.h"
#include "instrument/Sweeper.h"

// The time base and scales an image was read with, or that a point needs.
struct HmSettings {
    double SecondsPerDivision = 1e-3;
    std::array<double, 2> VoltsPerDivision{1, 1};
};

// The settings a point needs, and which of them differ from those of the last image.
struct HmSettingsRequest {
    HmSettings Wanted;
    bool TimeBaseChanged = true;
    std::array<bool, 2> ScaleChanged{true, true};
    bool Changed() const { return TimeBaseChanged || ScaleChanged[0] || ScaleChanged[1]; }
};

class HmSweptScope : public SweptScope {
public:
    // `read` reads one image once the person has set what the request says has changed; null
    // when the person declined or no whole image came.
    using Reader = std::function<AcquisitionPtr(const HmSettingsRequest&)>;
    explicit HmSweptScope(Reader read) : read_(std::move(read)) {}

    // Nothing of the scope's is changed from here.
    void Save() override {}
    std::vector<std::string> Restore() override { return {}; }
    void SetTrigger(double) override {}
    void SetCentre(int, double) override {}
    void Show(int) override {}

    void SetScale(int channel, double voltsPerDivision) override;
    // The time base in force while it holds 2 whole periods and 5 samples a period; else one
    // that shows a few periods.
    void SetTimeBaseFor(double frequency) override;
    // Throws EInstrumentError(Cancelled) when `read` gives nothing.
    AcquisitionPtr Capture(const ScopeRequest& request, double extraSeconds) override;

    // 8-bit samples at 25 counts a division: 10 divisions between the clipping levels.
    int DivisionsUp() const override { return 256 / kCountsPerDivision; }
    // The sensitivity selector's ends.
    double LeastScale(int) const override;
    double MostScale(int) const override;

private:
    // The request for the settings wanted, against those of the last image.
    HmSettingsRequest Asked() const;

    Reader read_;
    HmSettings wanted_;
    std::optional<HmSettings> inForce_; // the last image's
};
