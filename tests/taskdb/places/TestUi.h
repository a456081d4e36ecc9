#pragma once
// Records the warnings the task library raises, and the cursor at the time of each.
#include <string>
#include <vector>

#include "taskdb/UiServices.h"

class TRecordingUi : public THeadlessUiServices {
public:
    TRecordingUi() { SetUiServices(this); }
    ~TRecordingUi() override { SetUiServices(nullptr); }
    TRecordingUi(const TRecordingUi&) = delete;
    TRecordingUi& operator=(const TRecordingUi&) = delete;

    void ShowWarning(const std::string& Text) override
    {
        Warnings.push_back(Text);
        CursorAtWarning.push_back(GetScreenCursor());
    }

    std::vector<std::string> Warnings;
    std::vector<int16_t> CursorAtWarning;
};
