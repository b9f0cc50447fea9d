// COutputFolder: the output folder of a batch run, as the run's worker sees it, with the folders
// below it that the outputs go to ("sub\\a.dat"). Each such folder is made when it is missing, and
// its names are listed once, when its first output comes, so that an output the listing shows
// absent is not looked for again (under Wine every name a folder lacks costs a scan of the whole
// folder); the temporary files go into a small hidden staging folder made inside each
// ("~quillmark-*.tmp", on the same volume, so the final renames stay atomic). The destructor
// removes the staging folders, and the folders it made that stayed empty. Touches no window.
#pragma once

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "engine/FileConversion.h"
#include "foundation/CString.h"

class COutputFolder {
public:
    // folder as the run's output paths begin with it (followed by a separator). When a folder
    // cannot be listed or no staging folder can be made there, the plans say so and its outputs
    // are handled one by one as elsewhere.
    explicit COutputFolder(const char* folder);
    ~COutputFolder();

    COutputFolder(const COutputFolder&) = delete;
    COutputFolder& operator=(const COutputFolder&) = delete;

    // What the run knows of output before converting it; its folder is made and listed now.
    OutputPlan Plan(const char* output);

private:
    struct Folder {
        Vexa::CString staging; // empty when none was made
        std::unordered_set<std::string> names; // the listed names, CaseKey'd
        bool listed = false;
    };
    // The folder at relative (CaseKey'd key) below the output folder, made, listed and staged.
    Folder& FolderAt(const std::string& key, const Vexa::CString& relative);
    void Prepare(Folder& folder, const Vexa::CString& path, bool made);

    Vexa::CString m_strFolder; // with the separator
    std::unordered_map<std::string, Folder> m_folders; // "" is the output folder itself
    std::vector<Vexa::CString> m_made;                 // folders this run made, outer ones first
};
