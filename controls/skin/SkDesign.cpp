// The image-skinned controls' registrations with the design reader. Skins and icons are read
// straight into the control's own picture (`Skin.Data = {...}`, the bitmap's stored form); the
// control cuts its cells from it in its after-loading step.
#include "SkDesign.h"

#include "DesignReader.h"
#include "SkImgBtn.h"
#include "SkImgCheckBox.h"
#include "SkImgForm.h"

namespace vornada {

void RegisterSkinDesignClasses() {
  RegisterDesignProperties<TSkImgFadeBase>("TCustomControl")
      .Enum<TSkFadeFx>("FadeFx", &TSkImgFadeBase::SetFadeFx,
                       {{"efxfTween", efxfTween}, {"efxfTweenFade", efxfTweenFade},
                        {"efxfFade1", efxfFade1}, {"efxfFade2", efxfFade2},
                        {"efxfInvert", efxfInvert}, {"efxfGreyscale", efxfGreyscale},
                        {"efxfMess", efxfMess}, {"efxfFlash", efxfFlash}, {"efxfBuild", efxfBuild},
                        {"efxfColour1", efxfColour1}, {"efxfColour2", efxfColour2}})
      .Integer("FadeUpdateInterval", &TSkImgFadeBase::SetFadeUpdateInterval)
      .Boolean("FadeLoop", &TSkImgFadeBase::SetFadeLoop)
      .Boolean("FadeAutoReverse", &TSkImgFadeBase::SetFadeAutoReverse)
      .Integer("FadeStates", &TSkImgFadeBase::SetFadeStates)
      .Event("OnFormActivate", &TSkImgFadeBase::OnFormActivate)
      .Event("OnFormDeactivate", &TSkImgFadeBase::OnFormDeactivate);

  RegisterDesignClass<TSkImgBtn>("TSkImgFadeBase")
      .Boolean("ActivateAuto", &TSkImgBtn::SetActivateAuto)
      .Boolean("FocusRect", &TSkImgBtn::SetFocusRect)
      .Boolean("LockSize", &TSkImgBtn::SetLockSize)
      .Integer("MarginWidth", &TSkImgBtn::SetMarginWidth)
      .Integer("MarginHeight", &TSkImgBtn::SetMarginHeight)
      .Boolean("WordWrap", &TSkImgBtn::SetWordWrap)
      .Boolean("FadeEnable", &TSkImgBtn::SetFadeEnable)
      .Boolean("FadeUponLoad", &TSkImgBtn::SetFadeUponLoad)
      .Object<TIcon>("ImageIconIco", &TSkImgBtn::ImageIconIco)
      .Object<TBitmap>("ImageIconBmp", &TSkImgBtn::ImageIconBmp)
      .Integer("IconDownXPos", &TSkImgBtn::SetIconDownXPos)
      .Integer("IconDownYPos", &TSkImgBtn::SetIconDownYPos)
      .Integer("IconOverXPos", &TSkImgBtn::SetIconOverXPos)
      .Integer("IconOverYPos", &TSkImgBtn::SetIconOverYPos)
      .Object<TBitmap>("Skin", &TSkImgBtn::Skin);

  RegisterDesignClass<TSkImgCheckBox>("TSkImgFadeBase")
      .Event("OnClick", &TSkImgCheckBox::OnClick)
      .Boolean("FadeEnable", &TSkImgCheckBox::SetFadeEnable)
      .Boolean("FadeUponLoad", &TSkImgCheckBox::SetFadeUponLoad)
      .Boolean("Checked", &TSkImgCheckBox::SetChecked)
      .Text("Caption", &TSkImgCheckBox::SetCaption)
      .Integer("TextSpacing", &TSkImgCheckBox::SetTextSpacing)
      .Color("TextOverColor", &TSkImgCheckBox::SetTextOverColor)
      .Object<TBitmap>("Skin", &TSkImgCheckBox::Skin)
      .Integer("ImgY", &TSkImgCheckBox::SetImgY);

  RegisterDesignClass<TSkImgForm>("TGraphicControl")
      .Boolean("Active", &TSkImgForm::SetActive)
      .Boolean("DesignTimeApply", &TSkImgForm::SetDesignTimeApply)
      .Boolean("WordWrap", &TSkImgForm::SetWordWrap)
      .Integer("CaptionX", &TSkImgForm::SetCaptionX)
      .Integer("CaptionY", &TSkImgForm::SetCaptionY)
      .Object<TIcon>("Icon", &TSkImgForm::Icon)
      .Integer("IconSize", &TSkImgForm::SetIconSize)
      .Object<TBitmap>("Skin", &TSkImgForm::Skin)
      .Color("TransparentColor", &TSkImgForm::SetTransparentColor)
      .Event("OnClick", &TSkImgForm::OnClick)
      .Event("OnActivate", &TSkImgForm::OnActivate)
      .Event("OnDeactivate", &TSkImgForm::OnDeactivate)
      .Event("OnMinimize", &TSkImgForm::OnMinimize)
      .Event("OnRestore", &TSkImgForm::OnRestore);
}

}  // namespace vornada
