// Drops onto a real MainWindow in the test process: the drop target that
// the created handler registers, fed with test data objects, and one real
// OLE drag made with DoDragDrop inside this process.
#include <gtest/gtest.h>
#include <windows.h>
#include <ole2.h>

#include <memory>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "common/edit_box.h"
#include "common/scoped.h"
#include "tests/support/data_object.h"
#include "tests/support/test_support.h"

namespace {

struct Log {
  bool registered = false;
  int gotFile = 0;
} gLog;

// The form's own handlers, with the skin left out of the created handler:
// the test process need not write into the Windows folder.
const MainWindowEvents kDropEvents = {
    [](MainWindow& w) { gLog.registered = w.dropTarget().RegisterDropTarget(w.hwnd()); },
    nullptr,
    nullptr,
    nullptr,
    [](MainWindow& w, const Text& paths) {
      ++gLog.gotFile;
      kFormEvents.gotFile(w, paths);
    },
};

std::string Str(const char* s, size_t n) { return std::string(s, n); }
Bytes B(const std::string& s) { return Bytes(s.begin(), s.end()); }

class DropTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(ole_.result()));
    gLog = Log{};
    window_ = MainWindow::Load(GetModuleHandleA(nullptr), kDropEvents);
    ASSERT_TRUE(window_ && window_->hwnd());
    html_ = window_->dropTarget().htmlFormat();
    url_ = window_->dropTarget().urlFormat();
    PumpMessages();
  }
  void TearDown() override {
    window_.reset();
    PumpMessages();
  }

  HWND sourceBox() const { return window_->control(Control::kSourceBox); }
  std::string SourceText() const { return GetControlText(sourceBox()).Str(); }
  IDropTarget* target() const { return window_->dropTarget().object(); }

  struct Outcome {
    DWORD enterEffect, overEffect, dropEffect;
    HRESULT dropResult;
  };
  // One drag over the window and a drop, as the platform makes it.
  Outcome Drop(IDataObject* data, DWORD keys, DWORD offered) {
    Outcome o{};
    POINTL pt{100, 100};
    o.enterEffect = offered;
    EXPECT_EQ(target()->DragEnter(data, keys, pt, &o.enterEffect), S_OK);
    o.overEffect = offered;
    EXPECT_EQ(target()->DragOver(keys, pt, &o.overEffect), S_OK);
    o.dropEffect = offered;
    o.dropResult = target()->Drop(data, keys, pt, &o.dropEffect);
    return o;
  }
  std::string DropFiles(const std::vector<std::string>& paths, DWORD keys = 0) {
    ComPtr<TestDataObject> data(new TestDataObject);
    data->Offer(CF_HDROP, DropFilesBlock(paths));
    Drop(data.get(), keys, DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK);
    return SourceText();
  }

  ScopedOleInitialize ole_;  // outlives the window, which revokes its registration
  std::unique_ptr<MainWindow> window_;
  CLIPFORMAT html_ = 0, url_ = 0;
};

TEST_F(DropTest, TheCreatedHandlerRegistersTheWindowOnce) {
  EXPECT_TRUE(gLog.registered);
  EXPECT_EQ(window_->dropTarget().registeredWindow(), window_->hwnd());
  EXPECT_FALSE(window_->dropTarget().RegisterDropTarget(window_->hwnd()));
  EXPECT_FALSE(window_->dropTarget().RegisterDropTarget(sourceBox()));
  // Something is registered for the window (documented answer of a second
  // registration); the real drag below shows that it is this component.
  ComPtr<TestDataObject> other(new TestDataObject);
  EXPECT_EQ(RegisterDragDrop(window_->hwnd(), reinterpret_cast<IDropTarget*>(other.get())),
            DRAGDROP_E_ALREADYREGISTERED);
}

TEST_F(DropTest, ObjectAnswersOnlyItsTwoInterfacesAndCountsReferences) {
  ComPtr<IUnknown> unknown;
  EXPECT_EQ(target()->QueryInterface(IID_IUnknown, unknown.put_void()), S_OK);
  ComPtr<IDropTarget> same;
  EXPECT_EQ(target()->QueryInterface(IID_IDropTarget, same.put_void()), S_OK);
  EXPECT_EQ(same.get(), target());
  for (REFIID iid : {IID_IDataObject, IID_IDispatch, IID_IDropSource, IID_IMarshal}) {
    void* p = reinterpret_cast<void*>(1);
    EXPECT_EQ(target()->QueryInterface(iid, &p), E_NOINTERFACE);
    EXPECT_EQ(p, nullptr);
  }
  const ULONG before = target()->AddRef();
  EXPECT_EQ(target()->Release(), before - 1);
}

// The window's destruction withdraws the registration: the platform lets go
// of every reference it took, and only the component's own one is left.
TEST_F(DropTest, DestroyingTheWindowWithdrawsTheRegistration) {
  IDropTarget* object = target();
  const ULONG registeredCount = object->AddRef() - 1;
  object->Release();
  EXPECT_GE(registeredCount, 2u);
  DestroyWindow(window_->hwnd());
  PumpMessages();
  EXPECT_EQ(object->AddRef(), 2u);
  object->Release();
}

TEST_F(DropTest, QueryOrderAcceptanceAndDelivery) {
  const CLIPFORMAT T = CF_TEXT, F = CF_HDROP;
  const CLIPFORMAT H = html_, U = url_;
  TempFolder dir;
  const std::string file = dir.File("a.txt");
  ASSERT_TRUE(WriteFileBytes(file, B("file text")));
  struct {
    const char* what;
    std::vector<CLIPFORMAT> offered;
    std::vector<CLIPFORMAT> askedOnEnter;
    DWORD effect;
    std::vector<CLIPFORMAT> taken;
    const char* box;
  } cases[] = {
      {"nothing acceptable", {CF_BITMAP}, {T, F, U, H}, DROPEFFECT_NONE, {}, "before"},
      {"plain text", {T}, {T}, DROPEFFECT_COPY, {T}, "before"},
      {"HTML", {H}, {T, F, U, H}, DROPEFFECT_COPY, {H}, "before"},
      {"a link", {U}, {T, F, U}, DROPEFFECT_COPY, {U}, "before"},
      {"HTML with its text", {T, H}, {T}, DROPEFFECT_COPY, {H}, "before"},
      {"a file", {F}, {T, F}, DROPEFFECT_COPY, {F}, "file text"},
      {"everything", {T, H, U, F}, {T}, DROPEFFECT_COPY, {H, U, F}, "file text"},
      {"text and a file", {T, F}, {T}, DROPEFFECT_COPY, {T, F}, "file text"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SetControlText(sourceBox(), Text("before"));
    ComPtr<TestDataObject> data(new TestDataObject);
    for (CLIPFORMAT f : c.offered) {
      if (f == F) {
        data->Offer(F, DropFilesBlock({file}));
      } else {
        data->OfferText(f, "dropped");
      }
    }
    POINTL pt{5, 5};
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    EXPECT_EQ(target()->DragEnter(data.get(), 0, pt, &effect), S_OK);
    EXPECT_EQ(data->queried, c.askedOnEnter);
    EXPECT_EQ(effect, c.effect);
    EXPECT_EQ(window_->dropTarget().acceptable(), c.effect != DROPEFFECT_NONE);
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    EXPECT_EQ(target()->Drop(data.get(), 0, pt, &effect), E_FAIL) << "also after delivering";
    EXPECT_EQ(effect, c.effect);
    EXPECT_EQ(data->taken, c.taken);
    EXPECT_EQ(SourceText(), c.box);
  }
  // DragLeave makes the data unacceptable: a drop without a new DragEnter
  // delivers nothing.
  ComPtr<TestDataObject> data(new TestDataObject);
  data->Offer(CF_HDROP, DropFilesBlock({file}));
  POINTL pt{5, 5};
  DWORD effect = DROPEFFECT_COPY;
  target()->DragEnter(data.get(), 0, pt, &effect);
  EXPECT_EQ(target()->DragLeave(), S_OK);
  EXPECT_FALSE(window_->dropTarget().acceptable());
  SetControlText(sourceBox(), Text("before"));
  effect = DROPEFFECT_COPY;
  EXPECT_EQ(target()->Drop(data.get(), 0, pt, &effect), E_FAIL);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
  EXPECT_EQ(SourceText(), "before");
}

// The effect for the keys held, worked out on enter, over and drop alike; a
// file is loaded exactly when the effect is not "none".
TEST_F(DropTest, KeysDecideTheEffectAndWhetherTheFileLoads) {
  TempFolder dir;
  const std::string file = dir.File("k.txt");
  ASSERT_TRUE(WriteFileBytes(file, B("loaded")));
  const DWORD all = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
  struct {
    DWORD keys, offered, effect;
  } cases[] = {
      {0, all, DROPEFFECT_COPY},
      {0, DROPEFFECT_MOVE | DROPEFFECT_LINK, DROPEFFECT_MOVE},
      {0, DROPEFFECT_LINK, DROPEFFECT_LINK},
      {MK_SHIFT, all, DROPEFFECT_MOVE},
      {MK_SHIFT, DROPEFFECT_COPY, DROPEFFECT_NONE},
      {MK_CONTROL, all, DROPEFFECT_COPY},
      {MK_CONTROL, DROPEFFECT_MOVE, DROPEFFECT_NONE},
      {MK_CONTROL | MK_SHIFT, all, DROPEFFECT_NONE},
      {MK_LBUTTON | MK_ALT, all, DROPEFFECT_COPY},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "keys " << c.keys << " offered " << c.offered);
    SetControlText(sourceBox(), Text("before"));
    ComPtr<TestDataObject> data(new TestDataObject);
    data->Offer(CF_HDROP, DropFilesBlock({file}));
    Outcome o = Drop(data.get(), c.keys, c.offered);
    EXPECT_EQ(o.enterEffect, c.effect);
    EXPECT_EQ(o.overEffect, c.effect);
    EXPECT_EQ(o.dropEffect, c.effect);
    EXPECT_EQ(o.dropResult, E_FAIL);
    EXPECT_EQ(SourceText(), c.effect == DROPEFFECT_NONE ? "before" : "loaded");
  }
  // DragOver follows the keys of the moment.
  ComPtr<TestDataObject> data(new TestDataObject);
  data->Offer(CF_HDROP, DropFilesBlock({file}));
  POINTL pt{1, 1};
  DWORD effect = all;
  target()->DragEnter(data.get(), 0, pt, &effect);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
  effect = all;
  target()->DragOver(MK_SHIFT, pt, &effect);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_MOVE));
}

// What the source box holds after a file is dropped.
TEST_F(DropTest, DroppedFilesBecomeTheSourceText) {
  TempFolder dir;
  struct {
    const char* name;
    std::string contents;  // empty name: no file is made
    std::string box;
  } files[] = {
      {"gbk.txt", "\xD6\xD0\xCE\xC4 GBK\r\nline 2\r\n", "\xD6\xD0\xCE\xC4 GBK\r\nline 2\r\n"},
      {"zero.txt", Str("before NUL\0after", 16), "before NUL"},
      {"lf.txt", "one\ntwo\n", "one\ntwo\n"},
      {"empty.txt", "", ""},
      {"utf8-mark.txt", "\xEF\xBB\xBF\xE4\xB8\xAD\xE6\x96\x87", "\xD6\xD0\xCE\xC4"},
      {"utf8.txt", "ab \xE4\xB8\xAD\xE6\x96\x87\r\n", "ab \xD6\xD0\xCE\xC4\r\n"},
      {"utf16le.txt", Str("\xFF\xFE\x41\x00\x2D\x4E\x0D\x00\x0A\x00", 10), "A\xD6\xD0\r\n"},
      {"utf16be.txt", Str("\xFE\xFF\x00\x41\x4E\x2D", 6), "A\xD6\xD0"},
  };
  for (const auto& f : files) {
    SCOPED_TRACE(f.name);
    const std::string path = dir.File(f.name);
    ASSERT_TRUE(WriteFileBytes(path, B(f.contents)));
    SetControlText(sourceBox(), Text("before"));
    EXPECT_EQ(DropFiles({path}), f.box);
  }

  // Drops that read nothing empty the box.
  const std::string held = dir.File("held.txt");
  ASSERT_TRUE(WriteFileBytes(held, B("held")));
  ScopedHandle writer(CreateFileA(held.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(writer.valid());
  for (const std::string& path : {dir.path(), dir.File("missing.txt"), held}) {
    SetControlText(sourceBox(), Text("before"));
    EXPECT_EQ(DropFiles({path}), "") << path;
  }
  writer.reset();

  // The same file twice gives the same text; the second drop replaces the first.
  const std::string gbk = dir.File("gbk.txt");
  SetControlText(sourceBox(), Text("typed by the user"));
  const std::string first = DropFiles({gbk});
  SetControlText(sourceBox(), Text("typed again"));
  EXPECT_EQ(DropFiles({gbk}), first);

  // Several files at once: all of them, in the order of the list, a line
  // break put where a file does not end with one.
  gLog.gotFile = 0;
  EXPECT_EQ(DropFiles({dir.File("lf.txt"), dir.File("utf16be.txt"), dir.File("empty.txt"),
                       dir.File("zero.txt")}),
            "one\ntwo\nA\xD6\xD0\r\nbefore NUL");
  EXPECT_EQ(gLog.gotFile, 1) << "one event per drop";
}

// The registration made by the created handler, reached the way the platform
// reaches it: DoDragDrop in this process finds the window under the cursor.
class DropAfterSomeFeedback : public IDropSource {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropSource)) {
      *out = this;
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD) override {
    if (escape || ++asked > 500) return DRAGDROP_S_CANCEL;
    return sawCopy ? DRAGDROP_S_DROP : S_OK;
  }
  HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD effect) override {
    if (effect == DROPEFFECT_COPY) sawCopy = true;
    return DRAGDROP_S_USEDEFAULTCURSORS;
  }
  int asked = 0;
  bool sawCopy = false;
};

TEST_F(DropTest, ARealDragInThisProcessReachesTheComponent) {
  TempFolder dir;
  const std::string file = dir.File("real.txt");
  ASSERT_TRUE(WriteFileBytes(file, B("through DoDragDrop")));
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(window_->hwnd()) != FALSE; }));
  RECT rc;
  GetWindowRect(sourceBox(), &rc);
  SetCursorPos((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
  ASSERT_TRUE(WaitUntil([&] {
    POINT p;
    GetCursorPos(&p);
    return WindowFromPoint(p) == sourceBox();
  }));

  ComPtr<TestDataObject> data(new TestDataObject);
  data->Offer(CF_HDROP, DropFilesBlock({file}));
  DropAfterSomeFeedback source;
  DWORD effect = DROPEFFECT_NONE;
  HRESULT hr = DoDragDrop(data.get(), &source, DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect);
  EXPECT_TRUE(source.sawCopy) << "the target under the cursor offered a copy";
  // Wine hands the E_FAIL of Drop back as the result of DoDragDrop.
  EXPECT_TRUE(hr == DRAGDROP_S_DROP || hr == E_FAIL) << std::hex << hr;
  EXPECT_EQ(SourceText(), "through DoDragDrop");
  EXPECT_EQ(gLog.gotFile, 1);
}

}  // namespace
