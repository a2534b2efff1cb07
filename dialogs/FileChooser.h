// The three system choosers of the dialog programs: the common Open and Save
// As dialogs and the shell's folder browser, with one title and one filter
// list. The dialogs are always told the real size of the caller's buffer.
#pragma once

#include <windows.h>

#include <commdlg.h>
#include <shlobj.h>

#include <cstddef>
#include <string>
#include <vector>

namespace dialogs {

constexpr std::size_t CHOOSER_TITLE_SIZE = 66;
constexpr std::size_t CHOOSER_FILTER_SIZE = 96;

class FileChooser {
public:
    FileChooser();
    ~FileChooser();
    FileChooser(const FileChooser&) = delete;
    FileChooser& operator=(const FileChooser&) = delete;

    // A longer title is cut to 65 characters and its terminator.
    void setTitle(const char* text);
    // A filter list is pairs of zero-ended strings (description, pattern)
    // ended by one more zero. Pairs that do not fit the field are left out, so
    // the list always ends with its two zeros. False when pairs were left out.
    bool setFilter(const char* list);

    // True when the user chose; the buffer then holds the full path.
    bool openFileDialog(HWND owner, char* buffer, std::size_t capacity);
    bool saveFileDialog(HWND owner, char* buffer, std::size_t capacity);
    template <std::size_t N>
    bool openFileDialog(HWND owner, char (&buffer)[N]) { return openFileDialog(owner, buffer, N); }
    template <std::size_t N>
    bool saveFileDialog(HWND owner, char (&buffer)[N]) { return saveFileDialog(owner, buffer, N); }

    // The same with a path held as a string: the chooser starts from the path
    // (cut to capacity - 1 characters) and leaves in it what it left in its
    // buffer, chosen or not.
    bool openFileDialog(HWND owner, std::string& path, std::size_t capacity);
    bool saveFileDialog(HWND owner, std::string& path, std::size_t capacity);

    // The open dialog taking several files of one folder: true when the
    // user chose, with the full path of each in paths.
    static constexpr std::size_t MULTI_SELECT_SIZE = 32768;
    bool openFilesDialog(HWND owner, std::vector<std::string>& paths);

    bool allocateTaskMemory();
    bool releaseTaskMemory();
    // True when a folder was chosen (its path, cut to the buffer, is in the buffer).
    bool browseForFolder(HWND owner, char* buffer, std::size_t capacity);
    template <std::size_t N>
    bool browseForFolder(HWND owner, char (&buffer)[N]) { return browseForFolder(owner, buffer, N); }
    bool browseForFolder(HWND owner, std::string& path, std::size_t capacity);

    // The folder of the path in the buffer, when it has a backslash; otherwise
    // the folder of the previous call stays.
    void takeInitialFolder(const char* buffer);

    // The title and the filter list (pairs, ended by two zeros) the choosers get.
    const char* title() const { return title_; }
    const char* filter() const { return filter_; }
    // The folder the file dialogs open in.
    const char* initialFolder() const { return initialFolder_; }
    // True once the COM library was started on this thread for the browser.
    bool comInitialised() const { return comInitialised_; }

private:
    void releaseFolderItem();
    void prepareRecord(OPENFILENAMEA& record, HWND owner, char* buffer, std::size_t capacity, DWORD flags);

    PIDLIST_ABSOLUTE folderItem_;
    void* taskMemory_;
    DWORD taskMemorySize_;
    bool comInitialised_;
    char title_[CHOOSER_TITLE_SIZE];
    char filter_[CHOOSER_FILTER_SIZE];
    char initialFolder_[260];
    char folderPath_[262];
    OPENFILENAMEA openRecord_;
    OPENFILENAMEA saveRecord_;
    BROWSEINFOA browseRecord_;
};

}  // namespace dialogs
