// Address books written on the fly for the tests: a DXL prolog and root around
// the documents a test gives, saved in a temporary folder that goes with the test.
#pragma once

#include <QTemporaryDir>

#include <fstream>
#include <string>

#include <gtest/gtest.h>

namespace brenmoor::notes::testing {

inline const char* kProlog = "<?xml version='1.0' encoding='utf-8'?>\n"
                             "<!DOCTYPE database SYSTEM 'xmlschemas/domino_9_0_1.dtd'>\n";
inline const char* kRootStart = "<database xmlns='http://www.lotus.com/dxl' version='9.0' replicaid='85257C3A004F2B11'>\n";

// A whole book around the given root content.
inline std::string dxl(const std::string& content) {
    return std::string(kProlog) + kRootStart + content + "</database>\n";
}

// One Person document holding the given items.
inline std::string person(const std::string& items) {
    return "<document form='Person'><noteinfo noteid='8f2'/>\n" + items + "</document>\n";
}

inline std::string textItem(const std::string& name, const std::string& value) {
    return "<item name='" + name + "'><text>" + value + "</text></item>";
}

class BookFiles : public ::testing::Test {
protected:
    std::string write(const std::string& bytes, const std::string& name = "names.dxl") {
        std::string path = dir_.filePath(QString::fromStdString(name)).toStdString();
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << bytes;
        return path;
    }
    std::string folder() const { return dir_.path().toStdString(); }

private:
    QTemporaryDir dir_;
};

} // namespace brenmoor::notes::testing
