object MainForm: TMainForm
  BorderStyle = bsNone
  FormStyle = fsStayOnTop
  Position = poDesktopCenter
  ScreenSnap = True
  AlphaBlend = True
  AlphaBlendValue = 0
  Color = clWhite
  ClientWidth = 620
  ClientHeight = 527
  OnCreate = FormCreate
  OnShow = FormShow
  object MainPanel: TPanel
    Left = 0
    Top = 0
    Width = 620
    Height = 527
    Align = alClient
    BevelOuter = bvNone
    Enabled = False
    Font.Color = clBlack
    ParentFont = False
    object Memo1: TMemo
      Left = 40
      Top = 56
      Width = 521
      Height = 439
      BorderStyle = bsNone
      Color = 15921906
      ReadOnly = True
      ScrollBars = ssVertical
    end
  end
  object QuestionPanel: TPanel
    Left = 0
    Top = 0
    Width = 620
    Height = 0
    Align = alTop
    BevelOuter = bvNone
    Color = 15921919
    Font.Color = clBlack
    ParentFont = False
  end
  object InfoPanel: TPanel
    Left = 0
    Top = 0
    Width = 620
    Height = 0
    Align = alTop
    BevelOuter = bvNone
    Enabled = False
    Font.Color = clBlack
    ParentFont = False
  end
  object PassPanel: TPanel
    Left = 0
    Top = 0
    Width = 620
    Height = 0
    Align = alTop
    BevelOuter = bvNone
    Color = 16774388
    Enabled = False
    Font.Color = clBlack
    ParentFont = False
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
  end
  object Timer2: TTimer
    Enabled = False
    OnTimer = Timer2Timer
  end
  object Timer3: TTimer
    Enabled = False
    Interval = 1
  end
end
