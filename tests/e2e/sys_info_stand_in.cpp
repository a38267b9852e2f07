// Stands in for the system-information tool in the walk-through under wine: it
// writes its own path into started.txt beside itself and ends, so the test can
// tell that the About window started exactly this program.
#include <windows.h>

#include <cstdio>
#include <string>

int main() {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length == MAX_PATH)
        return 1;
    std::string marker(path, length);
    marker = marker.substr(0, marker.find_last_of('\\') + 1) + "started.txt";
    std::FILE* file = std::fopen(marker.c_str(), "wb");
    if (file == nullptr)
        return 1;
    const bool written = std::fwrite(path, 1, length, file) == length;
    return std::fclose(file) == 0 && written ? 0 : 1;
}
