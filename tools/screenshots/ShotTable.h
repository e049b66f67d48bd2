#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

namespace zov {
class TModuloLingua;
}

// The program's windows, each made as the program shows it on the runtime folder's dictionary and
// pictures. The screenshots picture them; the window text test reads every text they show. A new
// window adds one entry to Shots().
namespace zov::shots {

struct Context {
    QString dist;
    TModuloLingua& dictionary;
};

struct Shot {
    QString name;
    std::function<std::unique_ptr<QWidget>(Context&)> make;
    bool perLanguage = true;  // taken once per dictionary language, else only in the first
};

std::vector<Shot> Shots();

}  // namespace zov::shots
