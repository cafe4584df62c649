#pragma once
// The web for flow tests: every link check gives the verdict the test set,
// and each is recorded.

#include <QList>
#include <QStringList>

#include "app/core/LinkCheck.h"

namespace vd::test {

class TFakeLinkChecker final : public app::TLinkChecker {
  public:
    app::TLinkVerdict Verdict;   // what every check answers
    QStringList Links;           // the links checked, in order
    QList<QByteArray> Expected;  // what each was expected to give

    app::TLinkVerdict CheckContent(const QString& Link, const QByteArray& Content) override {
        Links << Link;
        Expected << Content;
        return Verdict;
    }
};

}  // namespace vd::test
