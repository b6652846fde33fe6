#include "util/questions.h"

namespace {

// Where nobody can be asked: the default answer to everything.
class Unanswered : public Questions
{
public:
    FitAnswer fit(const QString&) override { return FitAnswer::Cancel; }
    FitAnswer cannotFit(const QString&) override { return FitAnswer::Cancel; }
    bool printWithoutA6(const QString&) override { return false; }
    bool printInOtherFamily(const QString&, const QString&) override { return false; }
    bool confirm(const QString&) override { return false; }
    QStringList chooseFiles(FileChoice, const QString&, const QString&, const QString&) override { return {}; }
};

Unanswered unanswered;
Questions* installed = nullptr;

} // namespace

Questions& Questions::current()
{
    return installed ? *installed : unanswered;
}

void Questions::install(Questions* questions)
{
    installed = questions;
}
