// COutputFolder: the output folder of a batch run, as the run's worker sees it. Its names are
// listed once at the start, so that an output the listing shows absent is not looked for again
// (under Wine every name a folder lacks costs a scan of the whole folder), and the run's
// temporary files go into a small hidden staging folder made inside it ("~quillmark-*.tmp", on
// the same volume, so the final renames stay atomic), which the destructor removes again.
// Touches no window.
#pragma once

#include <string>
#include <unordered_set>

#include "engine/FileConversion.h"
#include "foundation/CString.h"

class COutputFolder {
public:
    // folder as the run's output paths begin with it (followed by a separator). When it cannot
    // be listed or no staging folder can be made there, the plans say so and outputs are
    // handled one by one as elsewhere.
    explicit COutputFolder(const char* folder);
    ~COutputFolder();

    COutputFolder(const COutputFolder&) = delete;
    COutputFolder& operator=(const COutputFolder&) = delete;

    // What the run knows of output before converting it.
    OutputPlan Plan(const char* output) const;

private:
    Vexa::CString m_strFolder;  // with the separator
    Vexa::CString m_strStaging; // empty when none was made
    std::unordered_set<std::string> m_names; // the listed names, CaseKey'd
    bool m_bListed = false;
};
