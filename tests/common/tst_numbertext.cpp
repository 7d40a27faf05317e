#include "common/numbertext.h"

#include <QtTest>

class TestNumberText : public QObject {
    Q_OBJECT
  private slots:
    void placeholder() { QCOMPARE(morvane::FieldValue("12.5"), 12.5); }
};

QTEST_APPLESS_MAIN(TestNumberText)
#include "tst_numbertext.moc"
