#include "tavproe2/com.h"

#include <cstddef>

#include <gtest/gtest.h>

namespace {

TEST(BstrTest, CarriesLengthPrefixAndTerminator) {
  BSTR text = SysAllocString(L"bracket.prt");
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(SysStringLen(text), 11u);
  EXPECT_EQ(SysStringByteLen(text), 11u * sizeof(OLECHAR));
  EXPECT_EQ(std::wstring(text), L"bracket.prt");
  std::uint32_t prefix;
  std::memcpy(&prefix, reinterpret_cast<char*>(text) - sizeof prefix, sizeof prefix);
  EXPECT_EQ(prefix, 11u * sizeof(OLECHAR));
  SysFreeString(text);
}

TEST(BstrTest, LengthComesFromPrefixNotFromZero) {
  const OLECHAR raw[] = {L'a', 0, L'b'};
  BSTR text = SysAllocStringLen(raw, 3);
  EXPECT_EQ(SysStringLen(text), 3u);
  EXPECT_EQ(text[2], L'b');
  EXPECT_EQ(text[3], 0);
  SysFreeString(text);

  BSTR blank = SysAllocStringLen(nullptr, 4);
  EXPECT_EQ(SysStringLen(blank), 4u);
  for (int i = 0; i <= 4; ++i) EXPECT_EQ(blank[i], 0);
  SysFreeString(blank);
}

TEST(BstrTest, NullIsEmpty) {
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  SysFreeString(nullptr);
  BSTR empty = SysAllocString(L"");
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(SysStringLen(empty), 0u);
  SysFreeString(empty);
}

// Counts references, so the tests see what VariantClear/VariantCopy do to them.
class CountingDispatch : public IDispatch {
 public:
  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
      *object = this;
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++refs; }
  ULONG Release() override { return --refs; }
  HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return DISP_E_MEMBERNOTFOUND;
  }
  ULONG refs = 1;
};

TEST(VariantTest, ClearFreesStringAndReleasesInterface) {
  VARIANT v;
  VariantInit(&v);
  EXPECT_EQ(V_VT(&v), VT_EMPTY);
  v.vt = VT_BSTR;
  v.bstrVal = SysAllocString(L"handle");
  EXPECT_EQ(VariantClear(&v), S_OK);  // the address sanitizer reports a leak otherwise
  EXPECT_EQ(V_VT(&v), VT_EMPTY);

  CountingDispatch host;
  host.AddRef();
  v.vt = VT_DISPATCH;
  v.pdispVal = &host;
  VariantClear(&v);
  EXPECT_EQ(host.refs, 1u);
  EXPECT_EQ(VariantClear(nullptr), E_INVALIDARG);
}

TEST(VariantTest, CopyDuplicatesStringAndAddsReference) {
  VARIANT source, dest;
  VariantInit(&source);
  VariantInit(&dest);
  source.vt = VT_BSTR;
  source.bstrVal = SysAllocString(L"<mnu id=\"1\"/>");
  dest.vt = VT_BSTR;
  dest.bstrVal = SysAllocString(L"overwritten");
  ASSERT_EQ(VariantCopy(&dest, &source), S_OK);
  EXPECT_NE(dest.bstrVal, source.bstrVal);
  EXPECT_EQ(std::wstring(dest.bstrVal), L"<mnu id=\"1\"/>");
  VariantClear(&source);
  EXPECT_EQ(SysStringLen(dest.bstrVal), 13u);  // still valid after the source is gone
  VariantClear(&dest);

  CountingDispatch host;
  source.vt = VT_DISPATCH;
  source.pdispVal = &host;
  VariantCopy(&dest, &source);
  EXPECT_EQ(host.refs, 2u);
  VariantClear(&dest);
  EXPECT_EQ(host.refs, 1u);
}

TEST(GuidTest, ComparisonAndUnknownInterface) {
  EXPECT_TRUE(IsEqualGUID(IID_IDispatch, IID_IDispatch));
  EXPECT_FALSE(IsEqualGUID(IID_IDispatch, IID_IUnknown));
  EXPECT_FALSE(IsEqualGUID(IID_NULL, IID_ITavCaxEvents));

  CountingDispatch host;
  void* object = &host;
  EXPECT_EQ(host.QueryInterface(IID_ITavCaxEvents, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
}

}  // namespace
