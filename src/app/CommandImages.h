#pragma once

#include <QIcon>
#include <QPixmap>
#include <map>
#include <vector>

namespace app {

// The pictures of the program's commands: 32 x 32 images compiled into the program, each
// reached by its number in the list, as the commands and their menu items and toolbar buttons
// name them. Numbers without a picture give a null image.
class CommandImages {
public:
    static constexpr int kSize = 32;

    // The numbers the commands use.
    static constexpr int kCalendar = 9;     // the current date
    static constexpr int kDirectories = 4;  // the directories window
    static constexpr int kExit = 25;        // leaving the program
    static constexpr int kSend = 27;        // dispatch to head office
    static constexpr int kPrint = 49;       // preview and print
    static constexpr int kPayments = 58;    // the day's payments window
    static constexpr int kHelp = 71;        // help and About
    static constexpr int kSave = 72;        // saving the day

    // Loads every picture; needs the application object.
    CommandImages();

    bool contains(int index) const { return pictures_.count(index) != 0; }
    QPixmap pixmap(int index) const;
    QIcon icon(int index) const;
    // The numbers that have a picture, in ascending order.
    std::vector<int> indexes() const;

    // Where the picture of a number is stored in the program, or an empty text.
    static QString resourcePath(int index);

private:
    std::map<int, QPixmap> pictures_;
};

}  // namespace app
