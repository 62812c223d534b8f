#include "platform/KeyValueBinding.h"
#include "platform/Observable.h"

#include <QObject>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

using platform::KeyValueBinding;
using platform::Observable;

namespace {

// Stands in for a widget: properties with change signals.
class Control : public QObject {
    Q_OBJECT
    Q_PROPERTY(int value READ value WRITE setValue NOTIFY valueChanged)
    Q_PROPERTY(bool enabled READ isEnabled WRITE setEnabled)
    Q_PROPERTY(bool hidden READ isHidden WRITE setHidden NOTIFY hiddenChanged)
public:
    int value() const { return m_value; }
    void setValue(int v) {
        if (v != m_value) {
            m_value = v;
            emit valueChanged(v);
        }
    }
    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool e) { m_enabled = e; }
    bool isHidden() const { return m_hidden; }
    void setHidden(bool h) {
        if (h != m_hidden) {
            m_hidden = h;
            emit hiddenChanged();
        }
    }
signals:
    void valueChanged(int);
    void hiddenChanged();

private:
    int m_value = -1;
    bool m_enabled = false;
    bool m_hidden = false;
};

// A model whose "copies" stay within 1...50.
class Model : public Observable {
public:
    QVariant valueForKey(const QString& key) const override {
        if (key == "copies") {
            return m_copies;
        }
        if (key == "canPrint") {
            return m_canPrint;
        }
        if (key == "hasImage") {
            return m_hasImage;
        }
        return {};
    }
    void setValueForKey(const QString& key, const QVariant& value) override {
        if (key == "copies") {
            notifyChangingValue(key, [&] { m_copies = std::clamp(value.toInt(), 1, 50); });
        } else if (key == "canPrint") {
            notifyChangingValue(key, [&] { m_canPrint = value.toBool(); });
        } else if (key == "hasImage") {
            notifyChangingValue(key, [&] { m_hasImage = value.toBool(); });
        }
    }

private:
    int m_copies = 1;
    bool m_canPrint = true;
    bool m_hasImage = false;
};

TEST(KeyValueBinding, propertyFollowsTheKeyPathAndWritesEditsBack) {
    Model model;
    Control control;
    KeyValueBinding::bind(&control, "value", &model, "copies");
    EXPECT_EQ(control.value(), 1); // the initial value
    model.setValueForKey("copies", 7);
    EXPECT_EQ(control.value(), 7);
    control.setValue(12); // the user's edit
    EXPECT_EQ(model.valueForKey("copies").toInt(), 12);
    control.setValue(80); // the model keeps 50 and the control shows it
    EXPECT_EQ(model.valueForKey("copies").toInt(), 50);
    EXPECT_EQ(control.value(), 50);

    KeyValueBinding::unbind(&control, "value");
    EXPECT_EQ(KeyValueBinding::binding(&control, "value"), nullptr);
    model.setValueForKey("copies", 3);
    EXPECT_EQ(control.value(), 50);
}

TEST(KeyValueBinding, negationAndTheAndOfTwoEnablings) {
    Model model;
    Control control;
    KeyValueBinding::bind(&control, "hidden", &model, "canPrint", KeyValueBinding::Negate);
    KeyValueBinding::bindAll(&control, "enabled", &model, {"canPrint", "hasImage"});
    EXPECT_FALSE(control.isHidden());
    EXPECT_FALSE(control.isEnabled());
    model.setValueForKey("hasImage", true);
    EXPECT_TRUE(control.isEnabled());
    model.setValueForKey("canPrint", false);
    EXPECT_TRUE(control.isHidden());
    EXPECT_FALSE(control.isEnabled());
    control.setHidden(false); // written back negated
    EXPECT_TRUE(model.valueForKey("canPrint").toBool());
    EXPECT_TRUE(control.isEnabled());
    EXPECT_EQ(KeyValueBinding::binding(&control, "enabled")->keyPaths(),
              (QStringList{"canPrint", "hasImage"}));
}

TEST(KeyValueBinding, eitherSideMayGoFirst) {
    auto model = std::make_unique<Model>();
    auto control = std::make_unique<Control>();
    KeyValueBinding::bind(control.get(), "value", model.get(), "copies");
    control.reset(); // the binding goes with its control
    EXPECT_EQ(model->observationCount("copies"), 0);

    control = std::make_unique<Control>();
    KeyValueBinding::bind(control.get(), "value", model.get(), "copies");
    model.reset();
    control->setValue(4); // nothing to write to
    EXPECT_EQ(control->value(), 4);
}

} // namespace

#include "KeyValueBindingTest.moc"
