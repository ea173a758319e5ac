object MainForm: TMainForm
  Left = 0
  Top = 0
  BorderStyle = bsNone
  ClientHeight = 527
  ClientWidth = 620
  Color = clWhite
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  FormStyle = fsStayOnTop
  Position = poDesktopCenter
  ScreenSnap = True
  AlphaBlend = True
  AlphaBlendValue = 0
  OnCreate = FormCreate
  OnShow = FormShow
  object SkImgForm1: TSkImgForm
    Left = 0
    Top = 0
    Width = 25
    Height = 25
  end
  object MainPanel: TFlPanel
    Left = 0
    Top = 0
    Width = 620
    Height = 527
    Align = alClient
    Enabled = False
    Font.Charset = RUSSIAN_CHARSET
    Font.Color = clBlack
    Font.Height = -11
    Font.Name = 'MS Sans Serif'
    Font.Style = []
    ParentFont = False
    TabOrder = 0
    BorderColor = 8404992
    BorderWidth = 3
    CornersOffset = 1
    OnMouseDown = ImageTitleMouseDown
    OnMouseMove = MainPanelMouseMove
    object ImageTitle: TImage
      Left = 40
      Top = 13
      Width = 24
      Height = 31
      AutoSize = True
      Cursor = crSizeAll
      Picture.Data = {
      }
      OnMouseDown = ImageTitleMouseDown
    end
    object LblTitle: TFxLabel
      Left = 70
      Top = 15
      Width = 70
      Height = 26
      Caption = #208#229#228#224#234#242#238#240#13'hosts '#244#224#233#235#224
      Font.Charset = RUSSIAN_CHARSET
      Font.Color = 12615680
      Font.Height = -11
      Font.Name = 'Tahoma'
      Font.Style = [fsBold]
      ParentFont = False
      OnMouseDown = ImageTitleMouseDown
    end
    object FxLabel6: TFxLabel
      Left = 147
      Top = 14
      Width = 54
      Height = 11
      Caption = #239#238#226#229#240#245' '#238#234#238#237
      Font.Charset = RUSSIAN_CHARSET
      Font.Color = clBlack
      Font.Height = -9
      Font.Name = 'Small Fonts'
      Font.Style = []
      ParentFont = False
      OnMouseDown = ImageTitleMouseDown
    end
    object FxLabel3: TFxLabel
      Left = 212
      Top = 14
      Width = 59
      Height = 11
      Caption = #231#224#239#232#241#252' '#244#224#233#235#224
      Font.Charset = RUSSIAN_CHARSET
      Font.Color = clBlack
      Font.Height = -9
      Font.Name = 'Small Fonts'
      Font.Style = []
      ParentFont = False
      OnMouseDown = ImageTitleMouseDown
    end
    object FxLabel1: TFxLabel
      Left = 280
      Top = 14
      Width = 54
      Height = 11
      Caption = #224#226#242#238' '#238#225#237#238#226#235
      Font.Charset = RUSSIAN_CHARSET
      Font.Color = clBlack
      Font.Height = -9
      Font.Name = 'Small Fonts'
      Font.Style = []
      ParentFont = False
      OnMouseDown = ImageTitleMouseDown
    end
    object BuffLabel1: TFxLabel
      Left = 186
      Top = 73
      Width = 193
      Height = 24
      Alignment = taRightJustify
      AutoSize = False
      WordWrap = True
      Font.Charset = RUSSIAN_CHARSET
      Font.Color = 12615680
      Font.Height = -9
      Font.Name = 'Small Fonts'
      Font.Style = []
      ParentFont = False
      OnMouseDown = ImageTitleMouseDown
    end
    object FxLabel9: TFxLabel
      Left = 41
      Top = 503
      Width = 520
      Height = 13
      Caption = #207#240#238#227#240#224#236#236#224' '#228#235#255' '#240#229#228#224#234#242#232#240#238#226#224#237#232#255' '#231#224#249#232#249#229#237#237#238#227#238' '#224#242#240#232#225#243#242#224#236#232' '#241#232#241#242#229#236#237#238#227#238' '#244#224#233#235#224' '#239#229#240#229#224#228#240#229#241#224#246#232#232' hosts ...'
      Font.Charset = RUSSIAN_CHARSET
      Font.Color = 14079702
      Font.Height = -11
      Font.Name = 'Tahoma'
      Font.Style = []
      ParentFont = False
      OnMouseDown = ImageTitleMouseDown
    end
    object SkImgCheckBox1: TSkImgCheckBox
      Left = 148
      Top = 30
      Width = 52
      Height = 10
      TabOrder = 3
      Skin.Data = {
      }
      OnClick = SkImgCheckBox1Click
      OnMouseMove = SkImgCheckBox1MouseMove
    end
    object SkImgCheckBox2: TSkImgCheckBox
      Left = 213
      Top = 30
      Width = 52
      Height = 10
      TabOrder = 5
      Checked = False
      Skin.Data = {
      }
      OnClick = SkImgCheckBox2Click
      OnMouseMove = SkImgCheckBox2MouseMove
    end
    object SkImgCheckBox3: TSkImgCheckBox
      Left = 281
      Top = 30
      Width = 52
      Height = 10
      TabOrder = 9
      Checked = False
      Skin.Data = {
      }
      OnClick = SkImgCheckBox3Click
      OnMouseMove = SkImgCheckBox3MouseMove
    end
    object FlButton1: TFlButton
      Left = 340
      Top = 14
      Width = 94
      Height = 30
      Cursor = crHandPoint
      Enabled = False
      TabOrder = 6
      Visible = False
      Caption = #209#238#245#240#224#237#232#242#252
      Glyph.Data = {
      }
      OnClick = FlButton1Click
      OnMouseMove = FlButton1MouseMove
    end
    object FlButton6: TFlButton
      Left = 442
      Top = 14
      Width = 31
      Height = 22
      Cursor = crHandPoint
      Enabled = False
      TabOrder = 10
      Visible = False
      Glyph.Data = {
      }
      OnClick = FlButton6Click
      OnMouseMove = FlButton6MouseMove
    end
    object BtnInfo: TSkImgBtn
      Left = 482
      Top = 2
      Width = 45
      Height = 29
      TabOrder = 0
      Skin.Data = {
      }
      OnClick = BtnInfoClick
      OnMouseMove = BtnInfoMouseMove
    end
    object BtnMin: TSkImgBtn
      Left = 528
      Top = 2
      Width = 45
      Height = 29
      TabOrder = 1
      Skin.Data = {
      }
      OnClick = BtnMinClick
      OnMouseMove = BtnMinMouseMove
    end
    object BtnClose: TSkImgBtn
      Left = 573
      Top = 2
      Width = 45
      Height = 29
      TabOrder = 2
      Skin.Data = {
      }
      OnClick = BtnCloseClick
      OnMouseMove = BtnCloseMouseMove
    end
    object Memo1: TMemo
      Left = 40
      Top = 56
      Width = 521
      Height = 439
      BorderStyle = bsNone
      Color = 15921906
      ReadOnly = True
      ScrollBars = ssVertical
      TabOrder = 4
      OnChange = Memo1Change
      OnMouseMove = Memo1MouseMove
    end
    object FlButton2: TFlButton
      Left = 566
      Top = 56
      Width = 38
      Height = 30
      Cursor = crHandPoint
      TabOrder = 7
      Glyph.Data = {
      }
      OnClick = FlButton2Click
      OnMouseMove = FlButton2MouseMove
    end
    object FlButton3: TFlButton
      Left = 566
      Top = 465
      Width = 38
      Height = 30
      Cursor = crHandPoint
      TabOrder = 8
      Glyph.Data = {
      }
      OnClick = FlButton3Click
      OnMouseMove = FlButton3MouseMove
    end
    object FxSeparator1: TFxSeparator
      Left = 583
      Top = 88
      Width = 5
      Height = 375
      Color = clWhite
      ParentColor = False
      HighlightColor = 14671839
      Orientation = orVertical
      ShowGradient = True
    end
  end
  object QuestionPanel: TFlPanel
    Left = 0
    Top = 0
    Width = 620
    Height = 0
    Align = alTop
    Color = 15921919
    Font.Charset = RUSSIAN_CHARSET
    Font.Color = clBlack
    Font.Height = -11
    Font.Name = 'MS Sans Serif'
    Font.Style = []
    ParentFont = False
    TabOrder = 1
    BorderColor = 11579647
    BorderWidth = 3
    CornersOffset = 1
    OnMouseMove = QuestionPanelMouseMove
    object FxLabel4: TFxLabel
      Left = 33
      Top = 45
      Width = 327
      Height = 16
      Caption = #207#240#238#227#240#224#236#236#224' '#231#224#239#243#249#229#237#224' '#238#242' '#232#236#229#237#232' '#224#228#236#232#237#232#241#242#240#224#242#238#240#224'!?'
      Font.Charset = RUSSIAN_CHARSET
      Font.Color = clBlack
      Font.Height = -13
      Font.Name = 'MS Sans Serif'
      Font.Style = []
      ParentFont = False
    end
    object Image2: TImage
      Left = 217
      Top = 97
      Width = 61
      Height = 2
      Picture.Data = {
      }
    end
    object BtnYES: TSkImgBtn
      Left = 217
      Top = 69
      Width = 61
      Height = 28
      TabOrder = 0
      FocusRect = True
      FadeUponLoad = True
      Skin.Data = {
      }
      OnClick = BtnYESClick
      OnEnter = BtnYESEnter
      OnMouseMove = BtnYESMouseMove
    end
    object BtnNO: TSkImgBtn
      Left = 297
      Top = 69
      Width = 61
      Height = 28
      TabOrder = 1
      FocusRect = True
      FadeUponLoad = True
      Skin.Data = {
      }
      OnClick = BtnNOClick
      OnEnter = BtnNOEnter
      OnMouseMove = BtnNOMouseMove
    end
  end
  object InfoPanel: TFlPanel
    Left = 0
    Top = 0
    Width = 620
    Height = 0
    Align = alTop
    Enabled = False
    Font.Charset = RUSSIAN_CHARSET
    Font.Color = clBlack
    Font.Height = -11
    Font.Name = 'MS Sans Serif'
    Font.Style = []
    ParentFont = False
    TabOrder = 2
    BorderColor = 52736
    BorderWidth = 3
    CornersOffset = 1
    object Image1: TImage
      Left = 0
      Top = 0
      Width = 620
      Height = 0
      Align = alClient
      Stretch = True
      OnMouseDown = Image1MouseDown
      OnMouseMove = Image1MouseMove
    end
    object FxBitBtn1: TFxBitBtn
      Left = 40
      Top = 28
      Width = 137
      Cursor = crHandPoint
      TabOrder = 1
      Caption = #209#234#238#239#232#240#238#226#224#242#252' '#226#241#229'?!'
      Glyph.Data = {
      }
      OnClick = FxBitBtn1Click
      OnMouseMove = FxBitBtn1MouseMove
    end
    object Memo2: TMemo
      Left = 40
      Top = 56
      Width = 521
      Height = 439
      BevelKind = bkFlat
      BevelOuter = bvNone
      BorderStyle = bsNone
      Color = 15138790
      Lines.Strings = (
      '')
      ScrollBars = ssVertical
      TabOrder = 0
      OnClick = Memo2Click
      OnMouseMove = Memo2MouseMove
    end
    object FlButton4: TFlButton
      Left = 566
      Top = 56
      Width = 38
      Height = 30
      Cursor = crHandPoint
      TabOrder = 5
      Glyph.Data = {
      }
      OnClick = FlButton4Click
      OnMouseMove = FlButton4MouseMove
    end
    object FlButton5: TFlButton
      Left = 566
      Top = 465
      Width = 38
      Height = 30
      Cursor = crHandPoint
      TabOrder = 6
      Glyph.Data = {
      }
      OnClick = FlButton5Click
      OnMouseMove = FlButton5MouseMove
    end
    object FxSeparator2: TFxSeparator
      Left = 583
      Top = 88
      Width = 5
      Height = 375
      Color = clWhite
      ParentColor = False
      HighlightColor = 14671839
      Orientation = orVertical
      ShowGradient = True
    end
    object FxLabel8: TFxLabel
      Left = 474
      Top = 500
      Width = 88
      Height = 13
      Cursor = crHandPoint
      Caption = 'example.com'
      Font.Charset = RUSSIAN_CHARSET
      Font.Color = 16752253
      Font.Height = -11
      Font.Name = 'MS Sans Serif'
      Font.Style = [fsBold]
      ParentFont = False
      Transparent = True
      OnClick = FxLabel8Click
    end
    object FxLabel2: TFxLabel
      Left = 296
      Top = 301
      Width = 88
      Height = 13
      Cursor = crHandPoint
      Caption = 'Morvanetics    2023'
      Font.Charset = RUSSIAN_CHARSET
      Font.Color = clWhite
      Font.Height = -11
      Font.Name = 'MS Sans Serif'
      Font.Style = []
      ParentFont = False
      Transparent = True
      ShadowColor = 14079702
      ShadowDepth = 1
      OnClick = FxLabel2Click
    end
    object BtnBack3: TSkImgBtn
      Left = 482
      Top = 2
      Width = 45
      Height = 29
      TabOrder = 2
      Skin.Data = {
      }
      OnClick = BtnBack3Click
    end
    object BtnMin3: TSkImgBtn
      Left = 528
      Top = 2
      Width = 45
      Height = 29
      TabOrder = 3
      Skin.Data = {
      }
      OnClick = BtnMinClick
      OnMouseMove = BtnMinMouseMove
    end
    object BtnClose3: TSkImgBtn
      Left = 573
      Top = 2
      Width = 45
      Height = 29
      TabOrder = 4
      Skin.Data = {
      }
      OnClick = BtnCloseClick
      OnMouseMove = BtnCloseMouseMove
    end
  end
  object PassPanel: TFlPanel
    Left = 0
    Top = 0
    Width = 620
    Height = 0
    Align = alTop
    Color = 16774388
    Enabled = False
    Font.Charset = RUSSIAN_CHARSET
    Font.Color = clBlack
    Font.Height = -11
    Font.Name = 'MS Sans Serif'
    Font.Style = []
    ParentFont = False
    TabOrder = 3
    BorderColor = 16763283
    BorderWidth = 3
    CornersOffset = 1
    object FxLabel5: TFxLabel
      Left = 54
      Top = 37
      Width = 109
      Height = 16
      Caption = #194#226#229#228#232#242#229' '#239#224#240#238#235#252':'
      Font.Charset = RUSSIAN_CHARSET
      Font.Color = clBlack
      Font.Height = -13
      Font.Name = 'MS Sans Serif'
      Font.Style = []
      ParentFont = False
    end
    object PenImage1: TImage
      Left = 164
      Top = 37
      Width = 18
      Height = 18
      Constraints.MaxHeight = 18
      Constraints.MaxWidth = 18
      Constraints.MinHeight = 18
      Constraints.MinWidth = 18
      Transparent = True
    end
    object GifAnimator2: TGifAnimator
      Left = 258
      Top = 33
      Width = 24
      Height = 24
      Image.Data = {
      }
      AsyncDrawing = True
      Visible = False
    end
    object Image3: TImage
      Left = 299
      Top = 37
      Width = 16
      Height = 16
      AutoSize = True
      Picture.Data = {
      }
    end
    object lang: TFxLabel
      Left = 320
      Top = 37
      Width = 3
      Height = 16
      Font.Charset = RUSSIAN_CHARSET
      Font.Color = clBlack
      Font.Height = -13
      Font.Name = 'MS Sans Serif'
      Font.Style = []
      ParentFont = False
    end
    object BtnClose2: TSkImgBtn
      Left = 358
      Top = 2
      Width = 45
      Height = 29
      TabOrder = 0
      Skin.Data = {
      }
      OnClick = BtnClose2Click
    end
    object PassEdit1: TFlEdit
      Left = 55
      Top = 59
      Width = 289
      Height = 30
      Font.Charset = DEFAULT_CHARSET
      Font.Color = clBlack
      Font.Height = -19
      Font.Name = 'MS Sans Serif'
      Font.Style = [fsBold]
      ParentFont = False
      TabOrder = 1
      OnChange = PassEdit1Change
      OnKeyDown = PassEdit1KeyDown
      OnKeyUp = PassEdit1KeyUp
    end
  end
  object ShowTimer: TTimer
    Enabled = False
    Interval = 10
    OnTimer = ShowTimerTimer
  end
  object CloseTimer: TTimer
    Enabled = False
    Interval = 10
    OnTimer = CloseTimerTimer
  end
  object Timer1: TTimer
    Interval = 10
    OnTimer = Timer1Timer
  end
  object Timer2: TTimer
    Enabled = False
    OnTimer = Timer2Timer
  end
  object Timer3: TTimer
    Enabled = False
    Interval = 1
    OnTimer = Timer3Timer
  end
  object TypeImageList1: TImageList
    BkColor = clFuchsia
    Height = 18
    Width = 18
    Bitmap = {
    }
  end
end
